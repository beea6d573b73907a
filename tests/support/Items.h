// Dropped items as the drop window makes them, and their texts back for comparing.
#pragma once

#include <string>
#include <vector>

#include "agent/ComText.h"
#include "agent/UploadItem.h"

inline UploadItem Dropped(const char* text, bool fromFileList = false) { return {NarrowToWide(text), fromFileList}; }

inline std::vector<std::string> Texts(const std::vector<UploadItem>& items) {
    std::vector<std::string> texts;
    for (const UploadItem& item : items) texts.push_back(WideToNarrow(item.text.data(), item.text.size()));
    return texts;
}
