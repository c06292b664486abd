// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/batch/ConfigRequests.h"

#include "base/LanguageTable.h"
#include "sdk/DeviceSdk.h"

#include <memory>

namespace zk::sdk::batch {

SdkRequest SetConfigRequest(int code, std::string xml, bool deviceConfig) {
    SdkRequest request;
    // Every row sends the same text: one copy serves the whole batch.
    auto text = std::make_shared<const std::string>(std::move(xml));
    request.send = [code, text, deviceConfig](DeviceSdk& sdk, int handle) {
        const int length = static_cast<int>(text->size());
        return deviceConfig ? sdk.SetDevcieConfig(handle, code, text->c_str(), length)
                            : sdk.SetDVRConfig(handle, code, 0, text->c_str(), length);
    };
    request.answerCode = code;
    request.answerOk = ZK_TEXT_KEY("SET_OK");
    request.answerFailed = ZK_TEXT_KEY("SET_FAILED");
    return request;
}

SdkRequest SystemControlRequest(int code, std::string request) {
    SdkRequest result;
    auto text = std::make_shared<const std::string>(std::move(request));
    result.send = [code, text](DeviceSdk& sdk, int handle) {
        return sdk.SystemControl(handle, code, 0, text->c_str());
    };
    result.answerCode = code;
    result.answerOk = ZK_TEXT_KEY("SET_OK");
    result.answerFailed = ZK_TEXT_KEY("SET_FAILED");
    return result;
}

SdkRequest ReadRequest(int code, const char* failureKey, std::function<void(discovery::DeviceRow& row)> markSlot) {
    SdkRequest request;
    request.texts.failure = failureKey;
    request.send = [code](DeviceSdk& sdk, int handle) { return sdk.GetDVRConfig(handle, code, 0, "", 0, 0); };
    request.answerCode = code;
    request.onSent = std::move(markSlot);
    return request;
}

} // namespace zk::sdk::batch
