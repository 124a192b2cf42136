#pragma once
// Whether the system has a network connection.
namespace platform {

// True when a network interface other than loopback is up, running and has an
// IPv4 or IPv6 address.
bool HasNetworkConnection();

}  // namespace platform
