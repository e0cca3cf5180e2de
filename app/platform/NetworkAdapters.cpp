#include "NetworkAdapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_arp.h>
#include <net/route.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace lumivar {
namespace {

const std::string kSysNet = "/sys/class/net/";

bool readFirstLine(const std::string& path, std::string* line) {
  std::ifstream in(path);
  if (!in) return false;
  std::getline(in, *line);
  return true;
}

bool isRealInterface(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos &&
         access((kSysNet + name).c_str(), F_OK) == 0;
}

// "aa:bb:cc:dd:ee:ff" as written by the kernel.
std::vector<unsigned char> parseMac(const std::string& text) {
  std::vector<unsigned char> bytes;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, ':')) {
    if (part.empty()) break;
    bytes.push_back(static_cast<unsigned char>(std::strtoul(part.c_str(), nullptr, 16)));
  }
  return bytes;
}

std::string ipv4Text(const sockaddr* address) {
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(address);
  inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  return text;
}

// getifaddrs names secondary IPv4 addresses by their label ("eth0:1").
bool belongsTo(const char* label, const std::string& name) {
  const std::string text(label);
  return text == name || (text.size() > name.size() && text.compare(0, name.size(), name) == 0 &&
                          text[name.size()] == ':');
}

// Default gateway of the interface from /proc/net/route (addresses in host byte order hex).
std::string defaultGateway(const std::string& name) {
  std::ifstream in("/proc/net/route");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags;
    if (!(fields >> iface >> destination >> gateway >> flags)) continue;
    if (iface != name || std::strtoul(destination.c_str(), nullptr, 16) != 0) continue;
    if ((std::strtoul(flags.c_str(), nullptr, 16) & RTF_GATEWAY) == 0) continue;
    in_addr address{};
    address.s_addr = static_cast<in_addr_t>(std::strtoul(gateway.c_str(), nullptr, 16));
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
  }
  return "0.0.0.0";
}

std::string driverName(const std::string& name) {
  char target[PATH_MAX] = {};
  const std::string link = kSysNet + name + "/device/driver";
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return {};
  const std::string path(target, static_cast<std::size_t>(length));
  return path.substr(path.rfind('/') + 1);
}

void readSysInfo(NetworkAdapter* adapter) {
  const std::string base = kSysNet + adapter->name + "/";
  std::string line;
  if (readFirstLine(base + "ifalias", &line) && !line.empty()) adapter->connectionName = line;
  if (readFirstLine(base + "type", &line) && !line.empty())
    adapter->kind = adapterKindFromHardwareType(std::atoi(line.c_str()));
  if (readFirstLine(base + "address", &line)) adapter->mac = parseMac(line);
}

}  // namespace

AdapterKind adapterKindFromHardwareType(int hardwareType) {
  struct Row { int hardwareType; AdapterKind kind; };
  static constexpr std::array<Row, 8> kKinds{{
      {ARPHRD_ETHER, AdapterKind::Ethernet},
      {ARPHRD_IEEE802, AdapterKind::TokenRing},
      {ARPHRD_IEEE802_TR, AdapterKind::TokenRing},
      {ARPHRD_FDDI, AdapterKind::Fddi},
      {ARPHRD_PPP, AdapterKind::Ppp},
      {ARPHRD_LOOPBACK, AdapterKind::Loopback},
      {ARPHRD_SLIP, AdapterKind::Slip},
      {ARPHRD_CSLIP, AdapterKind::Slip},
  }};
  for (const Row& row : kKinds)
    if (row.hardwareType == hardwareType) return row.kind;
  return AdapterKind::Other;
}

std::vector<NetworkAdapter> listNetworkAdapters(std::string* error) {
  std::vector<NetworkAdapter> adapters;
  char errorText[PCAP_ERRBUF_SIZE] = {};
  pcap_if_t* devices = nullptr;
  if (pcap_findalldevs(&devices, errorText) != 0) {
    if (error) *error = errorText;
    return adapters;
  }
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) interfaces = nullptr;

  for (pcap_if_t* device = devices; device; device = device->next) {
    NetworkAdapter adapter;
    adapter.name = device->name;
    if (!isRealInterface(adapter.name)) continue;
    adapter.connectionName = adapter.name;
    if (device->description && *device->description) {
      adapter.description = device->description;
    } else if ((device->flags & PCAP_IF_LOOPBACK) != 0) {
      adapter.description = "Loopback interface";
    } else {
      const std::string driver = driverName(adapter.name);
      adapter.description = driver.empty() ? adapter.name : adapter.name + " (" + driver + ")";
    }
    readSysInfo(&adapter);
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
      if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
      if (!belongsTo(entry->ifa_name, adapter.name)) continue;
      adapter.addresses.push_back(ipv4Text(entry->ifa_addr));
      adapter.masks.push_back(entry->ifa_netmask ? ipv4Text(entry->ifa_netmask) : "0.0.0.0");
    }
    adapter.gateway = defaultGateway(adapter.name);
    adapters.push_back(std::move(adapter));
  }
  if (interfaces) freeifaddrs(interfaces);
  pcap_freealldevs(devices);
  return adapters;
}

}  // namespace lumivar
