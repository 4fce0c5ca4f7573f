#include "win32/browser_host.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kestrilo::win32 {
namespace {

// The hosts alive on this thread, for the program's loop to hand keys to.
std::vector<BrowserHost*>& LiveHosts() {
  static std::vector<BrowserHost*> hosts;
  return hosts;
}

// The document object of the system's HTML engine (mshtml).
constexpr CLSID kHtmlDocument = {
    0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

std::wstring Described(const wchar_t* step, HRESULT result) {
  wchar_t code[16];
  std::swprintf(code, std::size(code), L"0x%08lX", static_cast<unsigned long>(result));
  return std::wstring(step) + L": " + code;
}

RECT ClientArea(HWND window) {
  RECT area{};
  ::GetClientRect(window, &area);
  return area;
}

}  // namespace

// COM interfaces have no virtual destructor: these objects end only
// through their own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The container's side of the embedding: the client site and the in-place
// site on one object, the frame on a second (both answer GetWindow, with
// different windows). The control holds references to them; the host holds
// the first and lets go in its destructor, after the control was closed.
class BrowserHost::Site final : public IOleClientSite, public IOleInPlaceSite {
 public:
  explicit Site(HWND holder) : holder_(holder), frame_(*this) {}

  IOleInPlaceActiveObject* ActiveObject() const { return active_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (id == IID_IUnknown || id == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (id == IID_IOleWindow || id == IID_IOleInPlaceSite) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite: nothing is saved and there is no document to show.
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, as the in-place site: the holder.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = holder_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite: the control is activated in place, filling the holder.
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    *frame = &frame_;
    frame_.AddRef();
    *document = nullptr;
    *position = ClientArea(holder_);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = ::GetAncestor(holder_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    SetActiveObject(nullptr);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

 private:
  // The frame: the top-level window, with no menus, toolbars or status line
  // for the control to take over. It keeps the active object, which gets
  // the keys.
  class Frame final : public IOleInPlaceFrame {
   public:
    explicit Frame(Site& site) : site_(site) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
      if (object == nullptr) return E_POINTER;
      if (id == IID_IUnknown || id == IID_IOleWindow || id == IID_IOleInPlaceUIWindow ||
          id == IID_IOleInPlaceFrame) {
        *object = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
      }
      *object = nullptr;
      return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return site_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return site_.Release(); }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
      *window = ::GetAncestor(site_.holder_, GA_ROOT);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
      return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
      site_.SetActiveObject(object);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
      std::fill(std::begin(widths->width), std::end(widths->width), 0);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

   private:
    Site& site_;
  };

  ~Site() { SetActiveObject(nullptr); }

  void SetActiveObject(IOleInPlaceActiveObject* object) {
    if (object != nullptr) object->AddRef();
    if (active_ != nullptr) active_->Release();
    active_ = object;
  }

  HWND holder_;
  Frame frame_;
  ULONG references_ = 1;
  IOleInPlaceActiveObject* active_ = nullptr;
};

#pragma GCC diagnostic pop

BrowserHost::BrowserHost(HWND holder) : holder_(holder) {
  if (Create()) LiveHosts().push_back(this);
}

bool BrowserHost::Create() {
  // The thread's COM apartment; undone in the destructor whatever came of it.
  HRESULT result = ::OleInitialize(nullptr);
  if (FAILED(result)) return Fail(L"OleInitialize", result);
  ole_initialized_ = true;
  result = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              IID_IOleObject, reinterpret_cast<void**>(&object_));
  if (FAILED(result)) return Fail(L"CoCreateInstance(WebBrowser)", result);
  site_ = new Site(holder_);
  if (result = object_->SetClientSite(site_); FAILED(result)) return Fail(L"SetClientSite", result);
  ::OleSetContainedObject(object_, TRUE);
  RECT area = ClientArea(holder_);
  result = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, holder_, &area);
  if (FAILED(result)) return Fail(L"DoVerb(INPLACEACTIVATE)", result);
  IWebBrowser2* browser = nullptr;
  result = object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
  if (FAILED(result)) return Fail(L"IWebBrowser2", result);
  // No script error boxes of the page's over ours.
  browser->put_Silent(VARIANT_TRUE);
  browser_ = browser;
  return true;
}

BrowserHost::~BrowserHost() {
  std::erase(LiveHosts(), this);
  if (browser_ != nullptr) {
    browser_->Stop();
    browser_->Release();
  }
  if (object_ != nullptr) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_->Release();
  }
  if (site_ != nullptr) site_->Release();
  if (ole_initialized_) ::OleUninitialize();
}

bool BrowserHost::Fail(const wchar_t* step, HRESULT result) {
  problem_ = Described(step, result);
  return false;
}

// Asked once: an engine does not come or go while the program runs, and
// asking takes Wine a second.
std::wstring BrowserHost::HtmlEngineProblem() {
  static const std::wstring problem = AskForHtmlEngine();
  return problem;
}

std::wstring BrowserHost::AskForHtmlEngine() {
  const HRESULT initialized = ::OleInitialize(nullptr);
  if (FAILED(initialized)) return Described(L"OleInitialize", initialized);
  IUnknown* document = nullptr;
  const HRESULT result = ::CoCreateInstance(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IUnknown, reinterpret_cast<void**>(&document));
  if (document != nullptr) document->Release();
  ::OleUninitialize();
  return FAILED(result) ? Described(L"CoCreateInstance(HTMLDocument)", result) : std::wstring();
}

HWND BrowserHost::View() const {
  if (object_ == nullptr || browser_ == nullptr) return nullptr;
  IOleInPlaceObject* in_place = nullptr;
  if (FAILED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&in_place)))) {
    return nullptr;
  }
  HWND view = nullptr;
  in_place->GetWindow(&view);
  in_place->Release();
  return view;
}

bool BrowserHost::Navigate(const std::wstring& address) {
  if (browser_ == nullptr) return false;
  VARIANT target;
  ::VariantInit(&target);
  target.vt = VT_BSTR;
  target.bstrVal = ::SysAllocString(address.c_str());
  VARIANT none;
  ::VariantInit(&none);
  const HRESULT result = browser_->Navigate2(&target, &none, &none, &none, &none);
  ::VariantClear(&target);
  if (FAILED(result)) {
    Fail(L"Navigate2", result);
    return false;
  }
  return true;
}

bool BrowserHost::TranslateKey(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  for (BrowserHost* host : LiveHosts()) {
    if (host->site_ == nullptr || !::IsChild(host->holder_, message.hwnd)) continue;
    IOleInPlaceActiveObject* active = host->site_->ActiveObject();
    return active != nullptr && active->TranslateAccelerator(&message) == S_OK;
  }
  return false;
}

}  // namespace kestrilo::win32
