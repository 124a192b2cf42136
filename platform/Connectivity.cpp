#include "platform/Connectivity.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace platform {

bool HasNetworkConnection() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool online = false;
  for (ifaddrs* i = list; i && !online; i = i->ifa_next) {
    if (!i->ifa_addr || (i->ifa_flags & IFF_LOOPBACK)) continue;
    if (!(i->ifa_flags & IFF_UP) || !(i->ifa_flags & IFF_RUNNING)) continue;
    int family = i->ifa_addr->sa_family;
    online = family == AF_INET || family == AF_INET6;
  }
  ::freeifaddrs(list);
  return online;
}

}  // namespace platform
