// The accessible object of a hand-painted window. Its children are simple elements (numbers, not
// objects of their own), except a piece that stands for a child edit control, whose object is the
// control's own. Every call reads the page afresh from the source; a call after the window went
// away answers RPC_E_DISCONNECTED instead of reaching a source that no longer exists.
#include "ui/access/accessible_win.h"

#include <oleacc.h>

#include <atomic>

#include "util/wide_win.h"

namespace qv {
namespace {

// The accessibility and COM libraries are loaded when a reader first asks for an object, not
// with the program: a monitor that nobody reads keeps no COM in its process.
struct OleAccess {
  using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  using ObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  using AllocStringFn = BSTR(WINAPI*)(const OLECHAR*, UINT);
  using InitializeFn = HRESULT(WINAPI*)(void*, DWORD);
  LresultFromObjectFn lresult_from_object = nullptr;
  ObjectFromWindowFn object_from_window = nullptr;
  AllocStringFn alloc_string = nullptr;
  InitializeFn initialize = nullptr;
  bool ok() const { return lresult_from_object && object_from_window && alloc_string && initialize; }
};

template <typename Fn>
Fn entry(const wchar_t* dll, const char* name) {
  HMODULE module = LoadLibraryW(dll);  // kept for the life of the process
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

const OleAccess& ole_access() {
  static const OleAccess loaded = [] {
    OleAccess a;
    a.lresult_from_object = entry<OleAccess::LresultFromObjectFn>(L"oleacc.dll", "LresultFromObject");
    a.object_from_window = entry<OleAccess::ObjectFromWindowFn>(L"oleacc.dll", "AccessibleObjectFromWindow");
    a.alloc_string = entry<OleAccess::AllocStringFn>(L"oleaut32.dll", "SysAllocStringLen");
    a.initialize = entry<OleAccess::InitializeFn>(L"ole32.dll", "CoInitializeEx");
    return a;
  }();
  return loaded;
}

// The objects are handed out through COM, which this thread then joins as a single-threaded
// apartment (once; a thread that already joined keeps its own choice).
bool ready_for_readers() {
  const OleAccess& ole = ole_access();
  if (!ole.ok()) return false;
  thread_local const bool joined = [&] {
    ole.initialize(nullptr, COINIT_APARTMENTTHREADED);
    return true;
  }();
  return joined;
}

HRESULT object_of_window(HWND window, LONG id, IDispatch** out) {
  const OleAccess& ole = ole_access();
  if (!ole.object_from_window) return E_FAIL;
  return ole.object_from_window(window, static_cast<DWORD>(id), IID_IDispatch, reinterpret_cast<void**>(out));
}

HRESULT put_string(BSTR* out, const std::string& text) {
  const OleAccess& ole = ole_access();
  if (!ole.alloc_string) return E_OUTOFMEMORY;
  const std::wstring wide = widen(text);
  *out = ole.alloc_string(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void clear(VARIANT* v) { v->vt = VT_EMPTY; }

long role_of(AccessRole role) {
  switch (role) {
    case AccessRole::kPushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case AccessRole::kLink:
      return ROLE_SYSTEM_LINK;
    case AccessRole::kListItem:
      return ROLE_SYSTEM_LISTITEM;
    case AccessRole::kCheckBox:
      return ROLE_SYSTEM_CHECKBUTTON;
    case AccessRole::kRadioButton:
      return ROLE_SYSTEM_RADIOBUTTON;
    case AccessRole::kText:
      return ROLE_SYSTEM_STATICTEXT;
    case AccessRole::kTextField:
      return ROLE_SYSTEM_TEXT;
  }
  return ROLE_SYSTEM_CLIENT;
}

long state_of(const Piece& p, bool focused) {
  long s = 0;
  if (p.state & piece_state::kFocusable) s |= STATE_SYSTEM_FOCUSABLE;
  if (focused) s |= STATE_SYSTEM_FOCUSED;
  if (p.state & piece_state::kSelected) s |= STATE_SYSTEM_SELECTED | STATE_SYSTEM_SELECTABLE;
  if (p.state & piece_state::kChecked) s |= STATE_SYSTEM_CHECKED;
  if (p.state & piece_state::kUnavailable) s |= STATE_SYSTEM_UNAVAILABLE;
  if (p.state & piece_state::kOffscreen) s |= STATE_SYSTEM_OFFSCREEN;
  if (p.state & piece_state::kExpanded) s |= STATE_SYSTEM_EXPANDED;
  if (p.state & piece_state::kCollapsed) s |= STATE_SYSTEM_COLLAPSED;
  if (p.role == AccessRole::kLink) s |= STATE_SYSTEM_LINKED;
  return s;
}

void set_child(VARIANT* v, long child) {
  v->vt = VT_I4;
  v->lVal = child;
}

}  // namespace

class AccessibleRoot final : public IAccessible {
 public:
  AccessibleRoot(HWND window, AccessSource* source) : window_(window), source_(source) {}
  void detach() { source_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: readers call the interface directly; late binding is not offered.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!source_) return RPC_E_DISCONNECTED;
    return object_of_window(window_, OBJID_WINDOW, parent);
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    if (!source_) return RPC_E_DISCONNECTED;
    *count = static_cast<long>(source_->pieces().size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    if (!at.piece) return E_INVALIDARG;
    if (HWND control = control_of(*at.piece)) {
      return object_of_window(control, OBJID_WINDOW, out);
    }
    return S_FALSE;  // a simple element: the parent answers for it
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    return put_string(name, at.piece ? at.piece->name : source_->title());
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    return DISP_E_MEMBERNOTFOUND;  // names carry the figures
  }

  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override { return no_string(child, text); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override { return no_string(child, text); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (!file || !topic) return E_POINTER;
    *topic = 0;
    return no_string(child, file);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
    return no_string(child, text);
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    clear(role);
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    set_child(role, at.piece ? role_of(at.piece->role) : ROLE_SYSTEM_CLIENT);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    clear(state);
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    const bool has_focus = GetFocus() == window_;
    const std::string focused = has_focus ? source_->focused_key() : std::string();
    long s = 0;
    if (at.piece) {
      s = state_of(*at.piece, !focused.empty() && focused == at.piece->key);
    } else {
      s = STATE_SYSTEM_FOCUSABLE;
      if (has_focus && child_of_key(at.pieces, focused) == 0) s |= STATE_SYSTEM_FOCUSED;
      if (!IsWindowVisible(window_)) s |= STATE_SYSTEM_INVISIBLE;
    }
    set_child(state, s);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (!out) return E_POINTER;
    clear(out);
    if (!source_) return RPC_E_DISCONNECTED;
    HWND focus = GetFocus();
    if (focus == window_) {
      const std::vector<Piece> pieces = source_->pieces();
      set_child(out, child_of_key(pieces, source_->focused_key()));
      return S_OK;
    }
    if (focus && IsChild(window_, focus)) {
      IDispatch* control = nullptr;
      if (SUCCEEDED(object_of_window(focus, OBJID_CLIENT, &control))) {
        out->vt = VT_DISPATCH;
        out->pdispVal = control;
        return S_OK;
      }
    }
    return S_FALSE;  // the focus is elsewhere
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (!out) return E_POINTER;
    clear(out);
    if (!source_) return RPC_E_DISCONNECTED;
    return DISP_E_MEMBERNOTFOUND;  // a selected chip says so in its state
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    *action = nullptr;
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    if (!at.piece || at.piece->default_action.empty()) return DISP_E_MEMBERNOTFOUND;
    return put_string(action, at.piece->default_action);
  }

  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    if (!at.piece || flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
    return source_->take_focus(at.piece->key) ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* width, long* height, VARIANT child) override {
    if (!x || !y || !width || !height) return E_POINTER;
    *x = *y = *width = *height = 0;
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    RECT r{};
    if (at.piece) {
      // A piece scrolled partly out is where it shows; one scrolled wholly out has no size.
      const Rect shown = shown_region(*at.piece);
      r = RECT{shown.left, shown.top, shown.right, shown.bottom};
    } else {
      GetClientRect(window_, &r);
    }
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *x = r.left;
    *y = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }

  // Forward and back through the children in reading order, and into the first and last child;
  // there is no spatial answer (up, down, left, right).
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    clear(end);
    Lookup at;
    if (const HRESULT hr = look_up(start, at); FAILED(hr)) return hr;
    const long count = static_cast<long>(at.pieces.size());
    long target = 0;
    switch (direction) {
      case NAVDIR_FIRSTCHILD:
      case NAVDIR_LASTCHILD:
        if (at.piece) return E_INVALIDARG;  // simple elements have no children
        target = direction == NAVDIR_FIRSTCHILD ? 1 : count;
        break;
      case NAVDIR_NEXT:
      case NAVDIR_PREVIOUS:
        if (!at.piece) return S_FALSE;  // the window's siblings are the system's to tell
        target = at.child + (direction == NAVDIR_NEXT ? 1 : -1);
        break;
      case NAVDIR_UP:
      case NAVDIR_DOWN:
      case NAVDIR_LEFT:
      case NAVDIR_RIGHT:
        return S_FALSE;
      default:
        return E_INVALIDARG;
    }
    if (target < 1 || target > count) return S_FALSE;
    set_child(end, target);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (!out) return E_POINTER;
    clear(out);
    if (!source_) return RPC_E_DISCONNECTED;
    POINT pt{x, y};
    ScreenToClient(window_, &pt);
    RECT client{};
    GetClientRect(window_, &client);
    if (!PtInRect(&client, pt)) return S_FALSE;
    const std::vector<Piece> pieces = source_->pieces();
    const std::optional<size_t> hit = piece_at(pieces, pt.x, pt.y);
    set_child(out, hit ? child_of_key(pieces, pieces[*hit].key) : CHILDID_SELF);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    if (!at.piece || at.piece->default_action.empty()) return DISP_E_MEMBERNOTFOUND;
    return source_->do_default_action(at.piece->key) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }

  // Setting names and values is no longer part of the interface.
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  struct Lookup {
    std::vector<Piece> pieces;
    const Piece* piece = nullptr;  // nullptr: the window itself
    long child = CHILDID_SELF;
  };

  // The piece a VARIANT names: VT_I4 only, 0 for the window, 1..count for the pieces.
  HRESULT look_up(const VARIANT& child, Lookup& at) {
    if (!source_) return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    at.pieces = source_->pieces();
    at.child = child.lVal;
    if (at.child == CHILDID_SELF) return S_OK;
    const std::optional<size_t> index = piece_of_child(at.pieces, at.child);
    if (!index) return E_INVALIDARG;
    at.piece = &at.pieces[*index];
    return S_OK;
  }

  HRESULT no_string(const VARIANT& child, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    Lookup at;
    if (const HRESULT hr = look_up(child, at); FAILED(hr)) return hr;
    return DISP_E_MEMBERNOTFOUND;
  }

  HWND control_of(const Piece& p) const { return p.control_id ? GetDlgItem(window_, p.control_id) : nullptr; }

  HWND window_;
  AccessSource* source_;
  std::atomic<ULONG> refs_{1};
};

AccessibleServer::AccessibleServer(HWND window, AccessSource& source)
    : window_(window), source_(&source), root_(new AccessibleRoot(window, &source)) {}

AccessibleServer::~AccessibleServer() {
  detach();
  root_->Release();
}

void AccessibleServer::detach() {
  root_->detach();
  source_ = nullptr;
}

std::optional<LRESULT> AccessibleServer::on_get_object(WPARAM wparam, LPARAM lparam) {
  // The object id arrives as a DWORD; 64-bit senders may or may not extend its sign.
  if (!source_ || static_cast<LONG>(static_cast<DWORD>(lparam)) != OBJID_CLIENT) return std::nullopt;
  if (!ready_for_readers()) return std::nullopt;  // the system's plain object answers instead
  return ole_access().lresult_from_object(kIidAccessible, wparam, root_);
}

void AccessibleServer::announce_focus() {
  if (!source_) return;
  const std::string key = GetFocus() == window_ ? source_->focused_key() : std::string();
  const std::vector<Piece> pieces = source_->pieces();
  const int32_t child = child_of_key(pieces, key);
  const std::string name = child ? pieces[*piece_of_child(pieces, child)].name : std::string();
  switch (announce(announcer_, child ? key : std::string(), name)) {
    case Announcement::kFocus:
      NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, child);
      break;
    case Announcement::kNameChange:
      NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window_, OBJID_CLIENT, child);
      break;
    case Announcement::kNone:
      break;
  }
}

}  // namespace qv
