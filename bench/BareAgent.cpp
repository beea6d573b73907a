#include "bench/BareAgent.h"

#include <shlobj.h>

#include <cwchar>

#include "agent/AgentProtocol.h"

using namespace agentproto;

bool BareAgent::Create() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(PROG_ID_W, &clsid))) return false;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, agent_.PutVoid()));
}

void BareAgent::Attach(IDispatch* agent) {
    agent->AddRef();
    agent_.Reset(agent);
}

HRESULT BareAgent::Call(DISPID id, VARIANT* args, UINT count, VARIANT* result) {
    DISPPARAMS params = {args, nullptr, count, 0};
    return agent_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

HRESULT BareAgent::UploadOne(const wchar_t* path, UINT length) {
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = Call(DispIsSignedIn, nullptr, 0, &result);
    const bool signedIn = SUCCEEDED(hr) && result.iVal == 1;
    VariantClear(&result);
    if (!signedIn) return FAILED(hr) ? hr : S_FALSE;
    VARIANT args[2];  // the last declared argument first
    args[1].vt = VT_BSTR;
    args[1].bstrVal = SysAllocStringLen(path, length);
    args[0].vt = VT_BOOL;
    args[0].boolVal = 1;
    hr = Call(DispUpload, args, 2, &result);
    SysFreeString(args[1].bstrVal);
    VariantClear(&result);
    return hr;
}

HRESULT BareDrop(BareAgent& agent, IDataObject* data) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium;
    const HRESULT hr = data->GetData(&format, &medium);
    if (FAILED(hr)) return hr;
    const auto* header = static_cast<const DROPFILES*>(GlobalLock(medium.hGlobal));
    if (header) {
        const auto* name = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(header) + header->pFiles);
        while (*name) {
            const size_t length = std::wcslen(name);
            agent.UploadOne(name, static_cast<UINT>(length));
            name += length + 1;
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return S_OK;
}

void BareReplay(BareAgent& agent, const std::vector<std::string>& items) {
    std::wstring wide;
    for (const std::string& item : items) {
        const int length = static_cast<int>(item.size());
        wide.resize(static_cast<size_t>(length));
        const int converted = MultiByteToWideChar(CP_ACP, 0, item.data(), length, &wide[0], length);
        agent.UploadOne(wide.data(), static_cast<UINT>(converted > 0 ? converted : 0));
    }
}
