// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zk::sdk::batch {
class BatchRunner;
}

namespace zk::sdk::config {

// The read codes of the read-modify-write commands and what their answers become: 504 a
// VideoCaptureConfig sent back with 524, 305 a LanConfig with 325, 600 a MediaStreamConfig with 620
// (whose answer decides the outcome: 620 is no acknowledgement code), 800 an AlarmConfig whose three
// detections go back one by one (SetDevcieConfig 829, 822, 827). The std::any the runner's
// slot rules receive holds that structure. Registering again changes nothing. Window thread.
void RegisterConfigReads(batch::BatchRunner& runner);

inline constexpr int kReadVideoCapture = 504;
inline constexpr int kSetVideoCapture = 524;
inline constexpr int kReadLan = 305;
inline constexpr int kSetLan = 325;
inline constexpr int kReadMediaStream = 600;
inline constexpr int kSetMediaStream = 620;
inline constexpr int kReadAlarms = 800;
inline constexpr int kSetPdAlarm = 829;
inline constexpr int kSetMotionAlarm = 822;
inline constexpr int kSetAudioAlarm = 827;

} // namespace zk::sdk::config
