// Dropped items as the drop window makes them, and their texts back for comparing.
#pragma once

#include <string>
#include <vector>

#include "drop/UploadItem.h"
#include "tests/support/Files.h"

// Texts in UTF-8, as the tests write them.
inline UploadItem Dropped(const char* text, bool fromFileList = false) { return {FromUtf8(text), fromFileList}; }

inline std::vector<std::string> Texts(const std::vector<UploadItem>& items) {
    std::vector<std::string> texts;
    for (const UploadItem& item : items) texts.push_back(Utf8(item.text));
    return texts;
}
