// The machine's capture adapters, read from libpcap and the Linux interface tables
// (getifaddrs, /sys/class/net, /proc/net/route) in place of the Windows adapter API.
#pragma once

#include <string>
#include <vector>

namespace lumivar {

// Adapter kinds, numbered as the adapter table's type texts are.
enum class AdapterKind : int {
  Other = 1,
  Ethernet = 6,
  TokenRing = 9,
  Fddi = 15,
  Ppp = 23,
  Loopback = 24,
  Slip = 28,
};

struct NetworkAdapter {
  std::string name;                    // interface name: the map key and the capture name
  std::string connectionName;          // the interface alias when set, else the name
  std::string description;
  AdapterKind kind = AdapterKind::Other;
  std::vector<unsigned char> mac;      // hardware address, addr_len bytes
  std::vector<std::string> addresses;  // IPv4, dotted quads
  std::vector<std::string> masks;      // one per address
  std::string gateway = "0.0.0.0";     // default route through this interface
};

// Maps a Linux ARPHRD_* hardware type to the adapter kind.
AdapterKind adapterKindFromHardwareType(int hardwareType);

// Capture adapters in libpcap's order: real interfaces only (those under /sys/class/net),
// loopback included, pseudo devices such as "any" left out. On failure returns an empty
// list and sets error to libpcap's text.
std::vector<NetworkAdapter> listNetworkAdapters(std::string* error = nullptr);

}  // namespace lumivar
