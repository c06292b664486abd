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
inline constexpr int kIdBatchReset = 4;
inline constexpr int kIdBatchReboot = 7;
inline constexpr int kIdBatchResetOverLogin = 12;
inline constexpr int kIdBatchPassword = 14;
inline constexpr int kIdBatchLanguage = 15;
inline constexpr int kIdBatchTitle = 10;
inline constexpr int kIdBatchPlatform = 11;
inline constexpr int kIdFactoryMode = 16;
inline constexpr int kIdBatchTvSystem = 20;
inline constexpr int kIdBatchOnvifAllNet = 1299;
inline constexpr int kIdNightDemo = 1303;
inline constexpr int kIdBatchThermal = 1028;
inline constexpr int kIdBatchIoOutput = 1029;
inline constexpr int kIdBatchMaintenance = 1031;
inline constexpr int kIdBatchTime = 1035;
inline constexpr int kIdLoopReboot = 1305;
inline constexpr int kIdTestMcu = 1306;
inline constexpr int kIdTestSpeed = 1307;
// The media and detection batches.
inline constexpr int kIdBatchVideo = 1034;
inline constexpr int kIdBatchCodingType = 32988;
inline constexpr int kIdBatchVideoEncode = 17;
inline constexpr int kIdBatchAudioEncode = 32924;
inline constexpr int kIdBatchAudioCapture = 32974;
inline constexpr int kIdBatchImageTuning = 18;
inline constexpr int kIdBatchMotionDetect = 13;
inline constexpr int kIdBatchSmartDetect = 1298;

// Menu commands.
inline constexpr int kCmdAbout = 16;
inline constexpr int kCmdOpenWebPage = 32777;
inline constexpr int kCmdLoginAgain = 33300;
inline constexpr int kCmdDefaultUser = 32963;
inline constexpr int kCmdModifyIp = 32772;         // context menu: the selected row's IP settings
inline constexpr int kCmdFreeIpSelected = 32775;   // context menu: a free address for the selected row
inline constexpr int kCmdFreeIpTicked = 32901;     // free addresses for the ticked rows
inline constexpr int kCmdIpConsecutive = 32902;    // button 1030's pop-up: consecutive addresses
inline constexpr int kCmdIpDhcp = 32945;           // button 1030's pop-up: DHCP
inline constexpr int kCmdResetWhole = 33386;       // button 4's pop-up: the whole factory reset
inline constexpr int kCmdResetKeepNetwork = 33385; // button 4's pop-up: the reset keeping the network settings
inline constexpr int kCmdFactoryModeOn = 33010;    // button 16's pop-up
inline constexpr int kCmdFactoryModeOff = 33013;   // button 16's pop-up
inline constexpr int kCmdSyncTimeWithPc = 8;       // button 1035's pop-up: the clock from the PC
inline constexpr int kCmdTimeSettings = 32911;     // button 1035's pop-up: the time settings dialog
inline constexpr int kCmdIoOutputLow = 32802;      // button 1029's pop-up: output 0
inline constexpr int kCmdIoOutputHigh = 32803;     // button 1029's pop-up: output 1
inline constexpr int kCmdThermalScan = 23;         // button 1028's pop-up: scan the defect points
inline constexpr int kCmdThermalSave = 24;         // button 1028's pop-up: save the defect points
inline constexpr int kCmdRebootSelected = 32778;   // context menu: reboot the selected row
inline constexpr int kCmdResetSelected = 32774;    // context menu: the selected row's factory reset
inline constexpr int kCmdP2pOn = 33002;            // context menu: P2P services on for the ticked rows
inline constexpr int kCmdP2pOff = 33003;           // context menu: P2P services off for the ticked rows
inline constexpr int kCmdTvSystemPal = 32970;      // button 20's pop-up
inline constexpr int kCmdTvSystemNtsc = 32971;     // button 20's pop-up
inline constexpr int kCmdOnvifAllNetOn = 32977;    // button 1299's pop-up
inline constexpr int kCmdOnvifAllNetOff = 32978;   // button 1299's pop-up
// Context menu: one stream protocol on or off for the ticked rows.
inline constexpr int kCmdStreamHikOn = 33005;
inline constexpr int kCmdStreamHikOff = 33006;
inline constexpr int kCmdStreamOnvifOn = 33007;
inline constexpr int kCmdStreamOnvifOff = 33008;
inline constexpr int kCmdStreamDhOn = 33020;
inline constexpr int kCmdStreamDhOff = 33021;
inline constexpr int kCmdStreamTstOn = 33022;
inline constexpr int kCmdStreamTstOff = 33023;
// Button 1034's pop-up (the coding types also in button 32988's); the encoding and audio items
// carry the ids of the buttons that do the same.
inline constexpr int kCmdCodingH264 = 32907;
inline constexpr int kCmdCodingH265 = 32908;
inline constexpr int kCmdCodingH265Plus = 32909;
inline constexpr int kCmdVideoEncode = 17;
inline constexpr int kCmdVideoCapture = 33000;
inline constexpr int kCmdAudioEncode = 32924;
inline constexpr int kCmdAudioCapture = 32974;
inline constexpr int kCmdLights = 33388;
// The device language items (button 15's pop-up, context menu with STYLE 1) carry
// sdk::system::kLanguageMenuNormal or kLanguageMenuKc plus the language's offset.

// The one-shot timer that maximises the window after it is shown, and its delay.
inline constexpr int kTimerMaximise = 10005;
inline constexpr int kMaximiseDelayMs = 300;

} // namespace zk::app
