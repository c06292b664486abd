// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace zk::discovery {

// A pending-request slot of a read-modify-write batch: the command read the device's settings and
// waits for the answer. Pending is 0 when idle, 1 while waiting (or a small state number where a
// command has several steps); Value is what the command will set.
struct PendingSlot {
    std::int32_t Pending;
    std::int32_t Value;
};

// The per-row state of asynchronous batch requests, one slot per command that waits for a device's
// answer before it can act. The commands that own them fill the saved structures.
struct PendingBlock {
    PendingSlot TvSystem;                  // video capture read (504): 1 PAL, 0 NTSC
    PendingSlot NightMode;                 // video capture read (504): demonstration state 1, 2, 3
    std::uint8_t NightModeCapture[140];    // the capture settings before the demonstration
    PendingSlot Lights;                    // video capture read (504)
    std::uint8_t LightParams[64];          // the light window's values
    PendingSlot OnvifAllNet;               // LAN settings read (305): 1 on, 0 off
    PendingSlot StreamHik;                 // stream settings read (600): 1 on, 0 off
    PendingSlot StreamOnvif;               // stream settings read (600)
    PendingSlot StreamDh;                  // stream settings read (600)
    PendingSlot StreamTst;                 // stream settings read (600)
    PendingSlot SmartDetection;            // alarm detection read (800)
    std::int32_t SmartDetectionParams[10]; // schedules and switches of the detection window
    std::int32_t Reserved[254];            // device-file requests and later commands
};

static_assert(std::is_trivially_copyable_v<PendingBlock>);
static_assert(sizeof(PendingBlock) == 1332, "the pending block fills the rest of the row");
static_assert(alignof(PendingBlock) == 4, "rows keep 4-byte alignment");

// Longest row key kept, in bytes (the field holds one more for the terminating zero).
inline constexpr std::size_t kRowKeySize = 64;

// The item data of one device list row: a copy of the device's record followed by its session
// block. Created zeroed when a device is first listed and owned by the list; touched on the window
// thread only. The list sets Key and Record; the device sessions fill the rest.
struct DeviceRow {
    DeviceRecord Record;

    // Session block.
    char Key[kRowKeySize];      // the record's SerialNumber when the row was made; matches it to the table
    std::int32_t LoginHandle;   // device session handle, 0 = none, negative = the failed login's result
    std::uint8_t Online;        // 1 after the session reported the device online
    std::uint8_t Upgrading;     // a firmware upgrade is running
    char InfoText1012[128];     // file-system version (also the list's version column)
    char InfoText1095[128];     // second file-system version
    char InfoText1020[1024];    // capability text
    char InfoText1019[128];     // the device's own serial number
    std::uint8_t SessionPad[2]; // keeps the request slots aligned
    PendingBlock Pending;       // per-row state of asynchronous batch requests
};

static_assert(std::is_trivially_copyable_v<DeviceRow>);
static_assert(std::is_standard_layout_v<DeviceRow>);
static_assert(sizeof(DeviceRow) == 11520, "one row is one fixed block: the record, then the session block");
static_assert(offsetof(DeviceRow, Key) == sizeof(DeviceRecord));
static_assert(offsetof(DeviceRow, LoginHandle) == 8772);
static_assert(offsetof(DeviceRow, InfoText1012) == 8778);
static_assert(offsetof(DeviceRow, InfoText1020) == 9034);
static_assert(offsetof(DeviceRow, Pending) == 10188);

} // namespace zk::discovery
