// A data object that offers one dropped file list (CF_HDROP, wide names), so that a drop
// target can be called directly, the way OLE calls it at the end of a drag.
#pragma once

#include <ole2.h>

#include <string>
#include <vector>

// Reference count 1; the caller releases it.
IDataObject* NewFileListData(const std::vector<std::wstring>& paths);
