#include "PacketCapture.h"

#include <pcap/pcap.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumivar {

bool PacketCapture::open(const std::string& device, const Options& options) {
  close();
  char errorText[PCAP_ERRBUF_SIZE] = {};
  m_Handle = pcap_create(device.c_str(), errorText);
  if (!m_Handle) {
    m_LastError = errorText;
    return false;
  }
  pcap_set_snaplen(m_Handle, options.snapLength);
  pcap_set_promisc(m_Handle, options.promiscuous ? 1 : 0);
  pcap_set_timeout(m_Handle, options.readTimeoutMs);
  pcap_set_buffer_size(m_Handle, options.bufferBytes);
  pcap_set_immediate_mode(m_Handle, options.immediate ? 1 : 0);

  const int status = pcap_activate(m_Handle);
  if (status < 0) {
    const std::string detail = (status == PCAP_ERROR || status == PCAP_ERROR_PERM_DENIED ||
                                status == PCAP_ERROR_NO_SUCH_DEVICE)
                                   ? std::string(pcap_geterr(m_Handle))
                                   : std::string(pcap_statustostr(status));
    if (status == PCAP_ERROR_PERM_DENIED)
      m_LastError = "Capturing on " + device +
                    " needs root or the CAP_NET_RAW capability (" + detail + ")";
    else
      m_LastError = detail.empty() ? std::string(pcap_statustostr(status)) : detail;
    close();
    return false;
  }
  if (pcap_setnonblock(m_Handle, 1, errorText) != 0) {
    m_LastError = errorText;
    close();
    return false;
  }
  m_Fd = pcap_get_selectable_fd(m_Handle);
  if (m_Fd < 0) {
    m_LastError = "Capture on " + device + " offers no descriptor to wait on";
    close();
    return false;
  }
  m_LastError.clear();
  return true;
}

void PacketCapture::close() {
  if (m_Handle) pcap_close(m_Handle);
  m_Handle = nullptr;
  m_Fd = -1;
}

bool PacketCapture::setFilter(const std::string& expression, bool* compiled) {
  if (compiled) *compiled = false;
  if (!m_Handle) return false;
  bpf_program program{};
  if (pcap_compile(m_Handle, &program, expression.c_str(), 0, PCAP_NETMASK_UNKNOWN) != 0) {
    m_LastError = pcap_geterr(m_Handle);
    return false;
  }
  if (compiled) *compiled = true;
  const bool installed = pcap_setfilter(m_Handle, &program) == 0;
  if (!installed) m_LastError = pcap_geterr(m_Handle);
  pcap_freecode(&program);
  return installed;
}

PacketCapture::Next PacketCapture::readOne(Frame* frame) {
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  const int status = pcap_next_ex(m_Handle, &header, &data);
  if (status == 1) {
    frame->data = data;
    frame->captured = header->caplen;
    frame->wireLength = header->len;
    frame->header = header;
    return Next::Frame;
  }
  if (status == 0) return Next::Timeout;
  m_LastError = status == PCAP_ERROR ? std::string(pcap_geterr(m_Handle))
                                     : std::string(pcap_statustostr(status));
  return Next::Error;
}

PacketCapture::Next PacketCapture::next(int waitMs, Frame* frame) {
  if (!m_Handle) {
    m_LastError = "Capture is not open";
    return Next::Error;
  }
  // Frames may already wait in the buffer.
  const Next buffered = readOne(frame);
  if (buffered != Next::Timeout) return buffered;

  pollfd waiter{m_Fd, POLLIN, 0};
  const int ready = poll(&waiter, 1, waitMs < 0 ? 0 : waitMs);
  if (ready < 0) {
    if (errno == EINTR) return Next::Timeout;
    m_LastError = std::string("poll: ") + std::strerror(errno);
    return Next::Error;
  }
  if (ready == 0) return Next::Timeout;
  const Next result = readOne(frame);
  if (result == Next::Timeout && (waiter.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
    // The interface went away or down; waiting again would spin.
    m_LastError = "Capture device reported an error";
    return Next::Error;
  }
  return result;
}

bool CaptureDumpFile::open(const PacketCapture& capture, const std::string& path) {
  close();
  if (!capture.m_Handle) {
    m_LastError = "Capture is not open";
    return false;
  }
  m_Dumper = pcap_dump_open(capture.m_Handle, path.c_str());
  if (!m_Dumper) {
    m_LastError = pcap_geterr(capture.m_Handle);
    return false;
  }
  m_LastError.clear();
  return true;
}

void CaptureDumpFile::write(const pcap_pkthdr* header, const unsigned char* data) {
  if (m_Dumper) pcap_dump(reinterpret_cast<u_char*>(m_Dumper), header, data);
}

bool CaptureDumpFile::flush() {
  if (!m_Dumper) return false;
  // pcap_dump() drops write errors; the stream's error flag keeps them.
  std::FILE* file = pcap_dump_file(m_Dumper);
  errno = 0;
  const bool flushed = pcap_dump_flush(m_Dumper) == 0;
  if (flushed && !std::ferror(file)) return true;
  const int error = errno != 0 ? errno : EIO;
  m_LastError = std::string("Writing the capture file failed: ") + std::strerror(error);
  return false;
}

bool CaptureDumpFile::close() {
  if (!m_Dumper) return true;
  const bool written = flush();
  pcap_dump_close(m_Dumper);
  m_Dumper = nullptr;
  return written;
}

}  // namespace lumivar
