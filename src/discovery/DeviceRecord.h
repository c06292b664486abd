// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace zk::discovery {

// One discovered device as its search reply describes it: a fixed-size plain record, copied whole
// by value between the search thread, the device table and the list rows. Text fields are narrow
// (code page 936) and zero-terminated; fill them with base::CopyBounded and read them with
// base::FieldText.
struct DeviceRecord {
    char SerialNumber[32];
    char PlatformId[32];
    std::int32_t P2pType; // P2P service type 0 to 10
    char P2pId[128];
    char DeviceType[128];

    // User block: the device's first account.
    std::int32_t UserValid;
    char Username[40];
    char Password[40];
    char UserGroup[32];
    char UserStatus[140];

    // Stream block. Only StreamAuth, RtpOverRtsp, VideoPort, PtzPort and WebPort come from a reply;
    // PtzPort is the device's command port that sessions log in to.
    std::int32_t RtspEnable;
    std::int32_t StreamAuth;
    std::int32_t RtpOverRtsp;
    std::int32_t VideoPort;
    std::int32_t CommEnable;
    std::int32_t PtzPort;
    std::int32_t OnvifEnable;
    std::int32_t WebEnable;
    std::int32_t OnvifAuth;
    std::int32_t WebPort;
    std::int32_t StreamReserved[22];

    // Network block.
    char MacAddress[18];
    std::uint8_t Dhcp;
    std::uint8_t NetworkPad;
    std::int16_t AllNet;
    char IpAddress[64];
    char Netmask[64];
    char Gateway[64];
    char Dns1[64];
    char Dns2[64];
    char NetworkReserved[1882];

    std::int32_t RunTime;   // seconds since the device started
    std::int32_t P2pStatus; // -1 unknown, 0 offline, 1 or more online
    char LocalIp[64];       // the local adapter's address the device was first seen on
    char Osd[256];          // the title: hexadecimal digits of its UTF-8 bytes
    char Version[128];
    char AfVersion[128];
    char Uuid[32];
    char OemSn[32];
    char RawReply[5120];            // the whole reply text
    std::uint32_t LastSeenTick;     // millisecond tick of the last reply
    std::int32_t UserConfigPresent; // the reply carried an account
};

static_assert(std::is_trivially_copyable_v<DeviceRecord>);
static_assert(std::is_standard_layout_v<DeviceRecord>);
static_assert(sizeof(DeviceRecord) == 8708, "records are copied whole; their size is part of the format");
static_assert(offsetof(DeviceRecord, UserValid) == 324);
static_assert(offsetof(DeviceRecord, RtspEnable) == 580);
static_assert(offsetof(DeviceRecord, MacAddress) == 708);
static_assert(offsetof(DeviceRecord, AllNet) == 728);
static_assert(offsetof(DeviceRecord, RunTime) == 2932);
static_assert(offsetof(DeviceRecord, RawReply) == 3580);

// A record with every field zero and the P2P state unknown, as a reply starts.
DeviceRecord EmptyDeviceRecord();

// The intercom extension data a device keeps: seven 32-byte fields.
struct IntercomRecord {
    char DEVICETYPE[32];
    char EXTNUMBER[32];
    char MAINNUMBER[32];
    char EXTNAME[32];
    char ADDRESSBOXIP[32];
    char NOTES[32];
    char MANAGECENTER[32];
};

static_assert(sizeof(IntercomRecord) == 224);

} // namespace zk::discovery
