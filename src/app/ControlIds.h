// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Control and command ids of the main window. The display table shows and hides controls by these
// numbers, so they are part of the installation's display.xml.
namespace zk::app {

inline constexpr int kIdExit = 1;
inline constexpr int kIdSearchButton = 3;
inline constexpr int kIdExportExcel = 5;
inline constexpr int kIdLoginSetting = 21;
inline constexpr int kIdDeviceList = 1000;
inline constexpr int kIdStatusLine = 1001;
inline constexpr int kIdSelectAll = 1003;
inline constexpr int kIdClearSerial = 1009;
inline constexpr int kIdAdapterList = 1016;
inline constexpr int kIdAdapterLabel = 1018;
inline constexpr int kIdDefaultUser = 1052;
inline constexpr int kIdDefaultPassword = 1054;
inline constexpr int kIdOperatePassword = 1055;
// The batch button area under the list.
inline constexpr int kIdBatchArea = 2000;
inline constexpr int kIdBatchIp = 1030;

// Menu commands.
inline constexpr int kCmdAbout = 16;
inline constexpr int kCmdOpenWebPage = 32777;
inline constexpr int kCmdLoginAgain = 33300;
inline constexpr int kCmdDefaultUser = 32963;
inline constexpr int kCmdModifyIp = 32772;       // context menu: the selected row's IP settings
inline constexpr int kCmdFreeIpSelected = 32775; // context menu: a free address for the selected row
inline constexpr int kCmdFreeIpTicked = 32901;   // free addresses for the ticked rows
inline constexpr int kCmdIpConsecutive = 32902;  // button 1030's pop-up: consecutive addresses
inline constexpr int kCmdIpDhcp = 32945;         // button 1030's pop-up: DHCP

// The one-shot timer that maximises the window after it is shown, and its delay.
inline constexpr int kTimerMaximise = 10005;
inline constexpr int kMaximiseDelayMs = 300;

} // namespace zk::app
