#include "CaptureFixtures.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace capfix {

namespace {

void putBE16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v >> 8);
  b[at + 1] = std::uint8_t(v);
}

}  // namespace

Bytes UdpFrame::build() const {
  Bytes f{0x60, 0x76, 0x88, 0x00, 0x00, 0x01,   // destination MAC
          0x02, 0x4c, 0x56, 0x10, 0x20, 0x30};  // source MAC
  if (vlan) f.insert(f.end(), {0x81, 0x00, std::uint8_t(vlanControl >> 8), std::uint8_t(vlanControl)});
  f.insert(f.end(), {0x08, 0x00});
  const std::size_t ip = f.size();
  f.resize(ip + 28 + payload.size());
  f[ip] = 0x45;
  putBE16(f, ip + 2, std::uint16_t(28 + payload.size()));
  f[ip + 6] = 0x40;  // don't fragment
  f[ip + 8] = 64;
  f[ip + 9] = protocol;
  for (int i = 0; i < 4; ++i) f[ip + 12 + i] = source[i], f[ip + 16 + i] = destination[i];
  putBE16(f, ip + 20, 2368);
  putBE16(f, ip + 22, destPort);
  putBE16(f, ip + 24, std::uint16_t(int(8 + payload.size()) + udpLengthError));
  std::copy(payload.begin(), payload.end(), f.begin() + long(ip + 28));
  return f;
}

Bytes zeros(std::size_t length) { return Bytes(length, 0); }

Bytes devicePacket(std::uint8_t first, std::size_t length) {
  Bytes p(length, 0x33);
  const std::uint8_t head[] = {first, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};
  std::copy(std::begin(head), std::end(head), p.begin());
  return p;
}

Bytes configurationPacket() {
  Bytes p(1206, 0);
  const std::uint8_t head[] = {0xAA, 0x00, 0xFF, 0x11, 0x22, 0x22, 0xAA, 0xAA};
  std::copy(std::begin(head), std::end(head), p.begin());
  return p;
}

Bytes azimuthPair(double first, double last) {
  Bytes p(1206, 0);
  p[0] = 0xFF, p[1] = 0xEE;
  const auto a = std::uint16_t(std::lround(first * 100)), b = std::uint16_t(std::lround(last * 100));
  p[2] = std::uint8_t(a), p[3] = std::uint8_t(a >> 8);
  p[1102] = std::uint8_t(b), p[1103] = std::uint8_t(b >> 8);
  return p;
}

Bytes blockAngles(const std::vector<double>& angles) {
  Bytes p(1206, 0);
  for (std::size_t b = 0; b < angles.size(); ++b) {
    putBE16(p, 115 * b, std::uint16_t(std::lround(angles[b] * 100)));
    p[115 * b + 2] = 1;
  }
  return p;
}

Bytes marker(const Bytes& bytes, std::size_t at, std::uint8_t lastByte) {
  Bytes p(1206, 0);
  std::copy(bytes.begin(), bytes.end(), p.begin() + long(at));
  p.back() = lastByte;
  return p;
}

Bytes datagram(const std::vector<double>& angles) {
  Bytes d(56280, 0);
  for (std::size_t r = 0; r < 2000; ++r) {
    const double angle = angles.empty() ? 0.0 : angles[std::min(r, angles.size() - 1)];
    putBE16(d, 280 + 28 * r, std::uint16_t(std::int16_t(std::lround(angle * 128))));
    d[280 + 28 * r + 2 + (r % 26)] = std::uint8_t(r);  // something that tells records apart
  }
  return d;
}

std::vector<Bytes> fragmentFrames(const Bytes& datagram) {
  std::vector<Bytes> frames;
  std::size_t offset = 0;
  for (int i = 0; i < 41; ++i) {
    const bool first = i == 0;
    const std::size_t data = i == 40 ? 280 : 1400;
    Bytes f(14 + 20 + (first ? 8 : 0) + data, 0);
    f[12] = 0x08, f[13] = 0x00, f[14] = 0x45, f[23] = 17;
    putBE16(f, 16, std::uint16_t(20 + (first ? 8 : 0) + data));
    std::copy(datagram.begin() + long(offset), datagram.begin() + long(offset + data),
              f.begin() + (first ? 42 : 34));
    offset += data;
    frames.push_back(std::move(f));
  }
  return frames;
}

CaptureWriter::CaptureWriter(const std::string& path) {
  m_Dead = pcap_open_dead(DLT_EN10MB, 65535);
  m_Dumper = m_Dead ? pcap_dump_open(m_Dead, path.c_str()) : nullptr;
  if (!m_Dumper) throw std::runtime_error("cannot write " + path);
}

CaptureWriter::~CaptureWriter() { close(); }

void CaptureWriter::add(const Bytes& frame) {
  pcap_pkthdr header{};
  header.ts.tv_sec = 1700000000;
  header.caplen = bpf_u_int32(frame.size());
  header.len = bpf_u_int32(frame.size());
  pcap_dump(reinterpret_cast<u_char*>(m_Dumper), &header, frame.data());
}

void CaptureWriter::close() {
  if (m_Dumper) pcap_dump_close(m_Dumper);
  if (m_Dead) pcap_close(m_Dead);
  m_Dumper = nullptr;
  m_Dead = nullptr;
}

void writeCapture(const std::string& path, const std::vector<Bytes>& frames) {
  CaptureWriter writer(path);
  for (const Bytes& f : frames) writer.add(f);
}

WrittenRecords libpcapRecords(const std::vector<Bytes>& frames) {
  ScratchDir dir;
  const std::string path = dir.file("records.pcap");
  writeCapture(path, frames);
  std::ifstream in(path, std::ios::binary);
  const Bytes all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  WrittenRecords out;
  out.globalHeader.assign(all.begin(), all.begin() + 24);
  std::size_t at = 24;
  for (const Bytes& f : frames) {
    out.records.emplace_back(all.begin() + long(at), all.begin() + long(at + 16 + f.size()));
    at += 16 + f.size();
  }
  return out;
}

void setRecordLengths(Bytes& record, std::uint32_t stored, std::uint32_t wire) {
  for (int i = 0; i < 4; ++i) {
    record[8 + std::size_t(i)] = std::uint8_t(stored >> (8 * i));
    record[12 + std::size_t(i)] = std::uint8_t(wire >> (8 * i));
  }
}

Bytes repeated(const Bytes& pattern, std::size_t length) {
  Bytes b(length);
  for (std::size_t i = 0; i < length; ++i) b[i] = pattern[i % pattern.size()];
  return b;
}

Bytes randomBytes(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes b(length);
  for (auto& v : b) v = std::uint8_t(generator());
  return b;
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "capture-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_Path = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_Path, ignored);
}

}  // namespace capfix
