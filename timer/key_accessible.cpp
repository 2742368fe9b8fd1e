#include "key_accessible.h"

#include <oleacc.h>

#include <new>

#include "system_library.h"

namespace {

using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoUninitializeFn = void(WINAPI*)();

// Bound when a screen reader first asks; the libraries stay loaded until exit. Nothing of this
// is needed by a timer that no screen reader looks at, so its start-up does none of it.
struct Accessibility {
    bool tried = false;
    bool com_started = false;
    CreateStdAccessibleObjectFn create_standard_object = nullptr;
    LresultFromObjectFn lresult_from_object = nullptr;
    SysAllocStringFn sys_alloc_string = nullptr;
    CoUninitializeFn co_uninitialize = nullptr;

    bool ready() {
        if (!tried) {
            tried = true;
            const HMODULE oleacc = load_system_library(L"oleacc.dll");
            const HMODULE oleaut = load_system_library(L"oleaut32.dll");
            const HMODULE ole = load_system_library(L"ole32.dll");
            create_standard_object =
                system_function<CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
            lresult_from_object = system_function<LresultFromObjectFn>(oleacc, "LresultFromObject");
            sys_alloc_string = system_function<SysAllocStringFn>(oleaut, "SysAllocString");
            co_uninitialize = system_function<CoUninitializeFn>(ole, "CoUninitialize");
            const auto co_initialize = system_function<CoInitializeExFn>(ole, "CoInitializeEx");
            com_started = co_initialize != nullptr && co_uninitialize != nullptr &&
                          SUCCEEDED(co_initialize(nullptr, COINIT_APARTMENTTHREADED));
        }
        return com_started && create_standard_object != nullptr && lresult_from_object != nullptr &&
               sys_alloc_string != nullptr;
    }
};
Accessibility accessibility;

bool is_self(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The button's standard accessible object with the key's caption as its own name; everything
// else is the standard object's answer. It lives as long as a client holds it.
class KeyObject final : public IAccessible, public IOleWindow {
  public:
    KeyObject(HWND key_window, IAccessible* standard_object, const wchar_t* live_caption)
        : key(key_window), standard(standard_object), caption(live_caption) {}
    KeyObject(const KeyObject&) = delete;
    KeyObject& operator=(const KeyObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, IID_IAccessible))
            *out = static_cast<IAccessible*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow))
            *out = static_cast<IOleWindow*>(this);
        else
            *out = nullptr;
        if (*out == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            this->~KeyObject();
            HeapFree(GetProcessHeap(), 0, this);
        }
        return static_cast<ULONG>(left);
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (window == nullptr)
            return E_POINTER;
        *window = key;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* wrong_argument) override {
        return standard->Invoke(id, iid, locale, flags, parameters, result, exception,
                                wrong_argument);
    }

    // IAccessible: the name is the key's; the rest is the button's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!is_self(child))
            return standard->get_accName(child, name);
        if (name == nullptr)
            return E_POINTER;
        *name = accessibility.sys_alloc_string(caption);
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard->put_accValue(child, value);
    }

  private:
    ~KeyObject() { standard->Release(); }

    LONG references = 1;
    HWND key;
    IAccessible* standard;
    const wchar_t* caption;
};

} // namespace

LRESULT answer_key_object(HWND key, WPARAM flags, LPARAM object_id, const wchar_t* caption) {
    // The id is a 32-bit value; a 64-bit LPARAM may carry it without sign extension.
    if (static_cast<LONG>(static_cast<DWORD>(object_id)) != OBJID_CLIENT || !accessibility.ready())
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(accessibility.create_standard_object(key, OBJID_CLIENT, IID_IAccessible,
                                                    reinterpret_cast<void**>(&standard))) ||
        standard == nullptr)
        return 0;
    // On the process heap rather than through operator new, which would bring the C++
    // library's allocation and exception support into the program.
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(KeyObject));
    if (memory == nullptr) {
        standard->Release();
        return 0;
    }
    auto* object = new (memory) KeyObject(key, standard, caption);
    // The result holds its own reference for the client; ours ends here.
    const LRESULT result = accessibility.lresult_from_object(IID_IAccessible, flags,
                                                             static_cast<IAccessible*>(object));
    object->Release();
    return result > 0 ? result : 0;
}

void end_key_objects() {
    if (accessibility.com_started)
        accessibility.co_uninitialize();
    accessibility.com_started = false;
}
