// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace zk::base {
class CSaveParam;
}
namespace zk::sdk::batch {
class BatchRunner;
struct SdkRequest;
} // namespace zk::sdk::batch

namespace zk::sdk::media {

// The parameter windows the commands open. Each edits the block it is given (the values of the
// last batch of its kind, or the defaults), refuses values with the Check* function of its block
// while staying open, and returns false when it was cancelled.
struct MediaHooks {
    std::function<bool(VideoEncodeChoice& choice)> editVideoEncode;
    std::function<bool(VideoCaptureParams& params)> editVideoCapture;
    std::function<bool(AudioCaptureParams& params)> editAudioCapture;
    std::function<bool(AudioEncodeParams& params)> editAudioEncode;
    std::function<bool(base::MediaLightParam& light)> editLights;
    std::function<bool(ImageTuningParams& params)> editImageTuning;
    std::function<bool(MotionDetectParams& params)> editMotionDetect;
    std::function<bool(SmartDetectParams& params)> editSmartDetect;
};

// The media and detection batches. Each checks for ticked rows first ("MSGTIP13", nothing sent),
// opens its window (cancelled: nothing sent), and runs the batch runner over the rows: one request
// per row for the direct batches, a read followed by the sets built from the device's answer for
// the lights (504, then 524) and the smart detection (800, then 829, 822 and 827). A read that
// fails or brings something else writes the failure text and sends nothing back; a refused set of
// the smart detection stays the row's outcome even when a later one succeeds.
//
// Lives on the window thread; everything it is given must outlive it. Registers its read rules on
// the runner at construction.
class MediaCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaCommands)

public:
    MediaCommands(batch::BatchRunner& runner, base::CSaveParam& settings, MediaHooks hooks, QObject* parent = nullptr);
    ~MediaCommands() override;

    // 32907-32909: asks "ID_BATCH_SET_VIDEOTYPE_TIPS"; 523 with both streams ("MSGTIP39" refused).
    void SetCodingType(const std::vector<std::string>& keys, CodingType type);
    // Button 17: the encoding window, then "MSG_VIDEO_ENCODE_SET" asked; 523.
    void SetVideoEncode(const std::vector<std::string>& keys);
    // Item 33000: the capture window; 524 ("SET_FAILED" refused).
    void SetVideoCapture(const std::vector<std::string>& keys);
    // Item 32974: 527.
    void SetAudioCapture(const std::vector<std::string>& keys);
    // Item 32924: the encoder window, then "MSG_VIDEO_ENCODE_SET" asked; 528.
    void SetAudioEncode(const std::vector<std::string>& keys);
    // Item 33388: the light window over the stored block, which is saved; 504 read, 524 set.
    void SetLights(const std::vector<std::string>& keys);
    // Button 18: SystemControl 1081.
    void SetImageTuning(const std::vector<std::string>& keys);
    // Button 13: 822 ("MSGTIP45" refused).
    void SetMotionDetect(const std::vector<std::string>& keys);
    // Button 1298: 800 read, then 829, 822 and 827.
    void SetSmartDetect(const std::vector<std::string>& keys);

    // A command is between its start and the end of its row loop.
    bool Busy() const { return m_active > 0; }

    // The values of the last batch of each kind (the next window starts from them).
    const VideoEncodeChoice& LastVideoEncode() const { return m_videoEncode; }
    const VideoCaptureParams& LastVideoCapture() const { return m_videoCapture; }
    const AudioCaptureParams& LastAudioCapture() const { return m_audioCapture; }
    const AudioEncodeParams& LastAudioEncode() const { return m_audioEncode; }
    const ImageTuningParams& LastImageTuning() const { return m_imageTuning; }
    const MotionDetectParams& LastMotionDetect() const { return m_motionDetect; }
    const SmartDetectParams& LastSmartDetect() const { return m_smartDetect; }

signals:
    // A command ended (also when it was refused or cancelled before sending anything).
    void commandFinished();

private:
    bool HaveRows(const std::vector<std::string>& keys);
    void Finish();
    // Opens a window over the block and holds its result to the block's rules; false (the command
    // finished) when it was cancelled or refused.
    template <class Block>
    bool Edit(const std::function<bool(Block&)>& hook, Block& block, Refusal (*check)(const Block&));
    // One request per row on the runner.
    void RunEach(const std::vector<std::string>& keys, batch::SdkRequest request);

    batch::BatchRunner& m_runner;
    base::CSaveParam& m_settings;
    MediaHooks m_hooks;
    VideoEncodeChoice m_videoEncode;
    VideoCaptureParams m_videoCapture;
    AudioCaptureParams m_audioCapture;
    AudioEncodeParams m_audioEncode;
    ImageTuningParams m_imageTuning;
    MotionDetectParams m_motionDetect;
    SmartDetectParams m_smartDetect;
    int m_active = 0;
};

} // namespace zk::sdk::media
