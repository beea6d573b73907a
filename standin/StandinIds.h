// Identity of the stand-in agent's server class and type library.
#pragma once

#include <windows.h>

namespace standin {

// {3E6889A5-4443-43F8-9306-B167252B7FFB}
constexpr CLSID REQUEST_CLSID = {0x3e6889a5, 0x4443, 0x43f8, {0x93, 0x06, 0xb1, 0x67, 0x25, 0x2b, 0x7f, 0xfb}};
constexpr const char* REQUEST_CLSID_TEXT = "{3E6889A5-4443-43F8-9306-B167252B7FFB}";
constexpr const wchar_t* REQUEST_CLSID_TEXT_W = L"{3E6889A5-4443-43F8-9306-B167252B7FFB}";

// {B705A894-A9B1-4B49-8C46-425B9AF5D91E}, version 1.0: holds the event dispinterface.
constexpr GUID TYPE_LIB_ID = {0xb705a894, 0xa9b1, 0x4b49, {0x8c, 0x46, 0x42, 0x5b, 0x9a, 0xf5, 0xd9, 0x1e}};
constexpr const char* TYPE_LIB_ID_TEXT = "{B705A894-A9B1-4B49-8C46-425B9AF5D91E}";
constexpr const wchar_t* TYPE_LIB_ID_TEXT_W = L"{B705A894-A9B1-4B49-8C46-425B9AF5D91E}";
constexpr WORD TYPE_LIB_MAJOR = 1;
constexpr WORD TYPE_LIB_MINOR = 0;

constexpr const char* EVENT_IID_TEXT = "{6131A45E-0A0F-48BC-88E7-C3697F59D219}";
constexpr const wchar_t* EVENT_IID_TEXT_W = L"{6131A45E-0A0F-48BC-88E7-C3697F59D219}";

// Agent settings and accounts live here; the test script below it.
constexpr const char* AGENT_KEY  = "Software\\Velorex\\UploadAgent";
constexpr const char* SCRIPT_KEY = "Software\\Velorex\\UploadAgent\\Script";
constexpr const wchar_t* AGENT_KEY_W  = L"Software\\Velorex\\UploadAgent";
constexpr const wchar_t* SCRIPT_KEY_W = L"Software\\Velorex\\UploadAgent\\Script";

}  // namespace standin
