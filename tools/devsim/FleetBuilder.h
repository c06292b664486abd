// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceProfile.h"
#include "devsim/SimOptions.h"

#include <string>
#include <string_view>
#include <vector>

// Builds the simulated fleet from the command line and a fleet file. Pure apart from reading the
// file; safe from any thread. Each function returns 0, or -1 with a one-line error text.
namespace zk::devsim {

// A device made from the command line's settings alone, numbered 1, 2, ...: serial number, MAC
// address, UUID, title and P2P identity follow from the number; the address is left empty.
DeviceProfile GeneratedProfile(const SimOptions& options, int number);

// options.count devices on consecutive addresses from options.firstIp, all inside one subnet.
int GenerateDevices(const SimOptions& options, std::vector<DeviceProfile>& fleet, std::string& error);

// Appends the devices of a fleet file's JSON text, numbered on from the fleet's size.
int ParseFleetFile(std::string_view json, const SimOptions& options, std::vector<DeviceProfile>& fleet,
                   std::string& error);

// Generated devices (unless a fleet file is given without --count), then the fleet file's devices,
// then the bad kinds of --bad by 0-based index.
int BuildFleet(const SimOptions& options, std::vector<DeviceProfile>& fleet, std::string& error);

} // namespace zk::devsim
