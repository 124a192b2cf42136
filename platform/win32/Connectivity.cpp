// Whether the system has a network connection, on Windows: an adapter other
// than loopback that is up and has an address.
#include "platform/Connectivity.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <vector>

namespace platform {

bool HasNetworkConnection() {
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc != NO_ERROR) return false;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next)
    if (a->IfType != IF_TYPE_SOFTWARE_LOOPBACK && a->OperStatus == IfOperStatusUp && a->FirstUnicastAddress)
      return true;
  return false;
}

}  // namespace platform
