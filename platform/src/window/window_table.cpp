// Platform layer - the window table: windows, edit controls, combo boxes,
// buttons and static texts as records behind one lock, and the Win32 calls
// that read and change them.
#include "window_table.h"

#include <afxwin.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../core/text_fold.h"
#include "host_callback.h"

namespace {

// --- Letter case ------------------------------------------------------------

// Combo boxes (and window class names) compare texts by the list-text rule:
// Unicode's simple lower-case mapping, whatever locale the host has set.
wchar_t Fold(wchar_t c) { return matrix::platform::ListTextLowerCase(c); }

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == L'\0' || Fold(a[i]) != Fold(b[i])) return false;
  }
  return b[i] == L'\0';
}

bool StartsWithNoCase(const std::wstring& a, const wchar_t* prefix) {
  for (std::size_t i = 0; prefix[i] != L'\0'; ++i) {
    if (i >= a.size() || Fold(a[i]) != Fold(prefix[i])) return false;
  }
  return true;
}

// Case-ignoring order of CBS_SORT; texts equal but for case keep the order
// in which they were added.
bool LessNoCase(const std::wstring& a, const std::wstring& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const wchar_t x = Fold(a[i]);
    const wchar_t y = Fold(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// --- The table --------------------------------------------------------------

enum class Kind { kPlain, kEdit, kCombo, kButton, kStatic };

struct Window {
  Kind kind = Kind::kPlain;
  std::wstring class_name;
  int id = 0;
  DWORD style = 0;  // WS_VISIBLE and WS_DISABLED included
  RECT rect{};      // relative to the parent's client area for a child
  HWND parent = nullptr;
  std::vector<HWND> children;  // in order of creation
  std::wstring text;           // unused by a drop-down list
  std::vector<std::wstring> items;
  int current = -1;  // selected item, -1: none
  int sel_start = 0;
  int sel_end = 0;
  int check = BST_UNCHECKED;
  CWnd* owner = nullptr;
  std::thread::id thread;  // the thread that made the window

  bool IsDropList() const {
    return kind == Kind::kCombo && (style & 0x3) == CBS_DROPDOWNLIST;
  }
  const std::wstring& Text() const {
    static const std::wstring empty;
    if (IsDropList()) return current >= 0 ? items[current] : empty;
    return text;
  }
  DWORD ButtonType() const { return style & BS_TYPEMASK; }
  bool IsCheckBox() const {
    return kind == Kind::kButton &&
           (ButtonType() == BS_CHECKBOX || ButtonType() == BS_AUTOCHECKBOX);
  }
  bool IsChild() const { return (style & WS_CHILD) && parent; }
};

struct Slot {
  std::uintptr_t generation = 1;
  std::optional<Window> window;
};

// A handle holds the slot index plus one in its low half and the slot's
// generation in its high half; a freed slot's generation moves on, so the
// handles of destroyed windows never match again (until the generation
// wraps round its half of the word).
constexpr unsigned kIndexBits = sizeof(std::uintptr_t) * 4;
constexpr std::uintptr_t kIndexMask = (std::uintptr_t{1} << kIndexBits) - 1;
constexpr std::uintptr_t kGenerationMask = kIndexMask;

struct Change {
  HWND window;
  UINT message;
};

struct Table {
  std::mutex mutex;
  std::vector<Slot> slots;
  std::vector<std::size_t> free;
  HWND focus = nullptr;
  matrix::platform::window::HostCallback<AFX_WINDOW_OBSERVER> observer;
  matrix::platform::window::HostCallback<AFX_THREAD_DISPATCHER> dispatcher;
};

Table& Windows() {
  static Table table;
  return table;
}

HWND MakeHandle(std::size_t index, std::uintptr_t generation) {
  const std::uintptr_t value =
      ((generation & kGenerationMask) << kIndexBits) | (index + 1);
  return reinterpret_cast<HWND>(value);
}

// The record of a live window; call with the lock held.
Window* Find(Table& t, HWND handle) {
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
  const std::uintptr_t low = value & kIndexMask;
  if (low == 0 || low > t.slots.size()) return nullptr;
  Slot& slot = t.slots[low - 1];
  if (!slot.window ||
      (slot.generation & kGenerationMask) != (value >> kIndexBits)) {
    return nullptr;
  }
  return &*slot.window;
}

// Reports changes to the observer, outside the lock; the observer may call
// back into the table.
void Notify(const std::vector<Change>& changes) {
  if (changes.empty()) return;
  const auto [observer, context] = Windows().observer.Get();
  if (!observer) return;
  for (const Change& c : changes) observer(c.window, c.message, context);
}

void Notify(HWND window, UINT message) { Notify({{window, message}}); }

int CopyText(const std::wstring& text, wchar_t* buffer, int max_count) {
  if (!buffer || max_count < 1) return 0;
  const std::size_t n =
      std::min(text.size(), static_cast<std::size_t>(max_count) - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = L'\0';
  return static_cast<int>(n);
}

bool SameClass(const wchar_t* name, const wchar_t* wanted) {
  return name && EqualNoCase(wanted, name);
}

// The control classes by the names Win32 gives them; any other name makes
// a plain window that keeps the name it was given.
void SetClass(Window& w, const wchar_t* class_name) {
  static constexpr struct {
    const wchar_t* name;
    Kind kind;
  } kClasses[] = {{L"Edit", Kind::kEdit},
                  {L"ComboBox", Kind::kCombo},
                  {L"Button", Kind::kButton},
                  {L"Static", Kind::kStatic}};
  for (const auto& c : kClasses) {
    if (SameClass(class_name, c.name)) {
      w.kind = c.kind;
      w.class_name = c.name;
      return;
    }
  }
  w.class_name = class_name ? class_name : L"";
}

// Makes the record of a new window; `owner`'s m_hWnd is set under the lock,
// before the observer hears of the window. NULL when the parent is stale,
// a child has no parent, or memory runs out.
HWND Create(const wchar_t* class_name, const wchar_t* window_name, DWORD style,
            const RECT& rect, HWND parent, int id, CWnd* owner) {
  Table& t = Windows();
  HWND handle = nullptr;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    Window* parent_window = nullptr;
    if (parent) {
      parent_window = Find(t, parent);
      if (!parent_window) return nullptr;
    } else if (style & WS_CHILD) {
      return nullptr;  // a child window needs a parent
    }
    try {
      Window w;
      SetClass(w, class_name);
      w.id = parent ? id : 0;
      w.style = style;
      w.rect = rect;
      w.rect.right = std::max(w.rect.left, w.rect.right);
      w.rect.bottom = std::max(w.rect.top, w.rect.bottom);
      w.parent = parent;
      w.owner = owner;
      w.thread = std::this_thread::get_id();
      if (window_name && !w.IsDropList()) w.text = window_name;
      // Everything that can fail comes before the first change. Growing
      // the table moves the records, so the parent is looked up again.
      if (t.free.empty()) {
        t.free.reserve(t.free.size() + 1);
        t.slots.emplace_back();
        t.free.push_back(t.slots.size() - 1);
        parent_window = parent ? Find(t, parent) : nullptr;
      }
      if (parent_window) {
        parent_window->children.reserve(parent_window->children.size() + 1);
      }
      const std::size_t index = t.free.back();
      t.free.pop_back();
      Slot& slot = t.slots[index];
      slot.window.emplace(std::move(w));
      handle = MakeHandle(index, slot.generation);
      if (parent_window) parent_window->children.push_back(handle);
      if (owner) owner->m_hWnd = handle;
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  Notify(handle, WM_CREATE);
  return handle;
}

// --- Messages ---------------------------------------------------------------

// What a message leaves to do once the lock is released: the change to
// report, the focus a click takes, the notification for the parent.
struct After {
  bool changed = false;
  UINT reported = 0;  // the message reported; 0: the one sent
  bool focus = false;
  bool notify = false;
  WORD code = 0;
};

// The order of a search that starts after item `start` (-1: at the first),
// runs to the end and comes round to `start` itself.
template <typename Match>
int Search(const Window& w, WPARAM start, Match match) {
  const int n = static_cast<int>(w.items.size());
  if (n == 0) return CB_ERR;
  const int after = static_cast<int>(static_cast<INT_PTR>(start));
  const int first = (after < 0 || after >= n) ? 0 : after + 1;
  for (int k = 0; k < n; ++k) {
    const int i = (first + k) % n;
    if (match(w.items[i])) return i;
  }
  return CB_ERR;
}

void Select(Window& w, int index) {
  w.current = index;
  if (!w.IsDropList()) w.text = index >= 0 ? w.items[index] : std::wstring();
}

LRESULT TextMessage(Window& w, UINT message, WPARAM wparam, LPARAM lparam,
                    After& after) {
  switch (message) {
    case WM_SETTEXT: {
      if (w.IsDropList()) return CB_ERR;
      const wchar_t* text = reinterpret_cast<const wchar_t*>(lparam);
      try {
        w.text = text ? text : L"";
      } catch (const std::bad_alloc&) {
        return w.kind == Kind::kCombo ? CB_ERRSPACE : FALSE;
      }
      w.sel_start = w.sel_end = 0;
      after.changed = true;
      return TRUE;
    }
    case WM_GETTEXT:
      return CopyText(w.Text(), reinterpret_cast<wchar_t*>(lparam),
                      static_cast<int>(std::min<WPARAM>(wparam, 0x7FFFFFFF)));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w.Text().size());
    default:
      return 0;
  }
}

LRESULT EditMessage(Window& w, UINT message, WPARAM wparam, LPARAM lparam,
                    After& after) {
  if (message == WM_SETTEXT) {
    const LRESULT set = TextMessage(w, message, wparam, lparam, after);
    after.notify = set == TRUE;
    after.code = EN_CHANGE;
    return set;
  }
  const int length = static_cast<int>(w.text.size());
  switch (message) {
    case EM_GETSEL: {
      if (DWORD* start = reinterpret_cast<DWORD*>(wparam)) {
        *start = static_cast<DWORD>(w.sel_start);
      }
      if (DWORD* end = reinterpret_cast<DWORD*>(lparam)) {
        *end = static_cast<DWORD>(w.sel_end);
      }
      if (w.sel_start > 0xFFFF || w.sel_end > 0xFFFF) return -1;
      return static_cast<LRESULT>(w.sel_start) |
             (static_cast<LRESULT>(w.sel_end) << 16);
    }
    case EM_SETSEL: {
      const INT_PTR start = static_cast<INT_PTR>(wparam);
      const INT_PTR end = lparam;
      if (start == -1) {
        w.sel_start = w.sel_end;  // no selection; the caret stays
      } else {
        auto clamp = [length](INT_PTR p) {
          return (p < 0 || p > length) ? length : static_cast<int>(p);
        };
        const int a = clamp(start);
        const int b = clamp(end);
        w.sel_start = std::min(a, b);
        w.sel_end = std::max(a, b);
      }
      after.changed = true;
      return 0;
    }
    default:
      return TextMessage(w, message, wparam, lparam, after);
  }
}

LRESULT ComboMessage(Window& w, UINT message, WPARAM wparam, LPARAM lparam,
                     After& after) {
  const int count = static_cast<int>(w.items.size());
  const wchar_t* text = reinterpret_cast<const wchar_t*>(lparam);
  const int index = static_cast<int>(static_cast<INT_PTR>(wparam));
  const bool in_range =
      static_cast<INT_PTR>(wparam) >= 0 && static_cast<INT_PTR>(wparam) < count;
  switch (message) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      if (!text) return CB_ERR;
      int at;
      if (message == CB_INSERTSTRING) {
        if (index < -1 || index > count) return CB_ERR;
        at = index == -1 ? count : index;
      } else if (w.style & CBS_SORT) {
        const std::wstring key(text);
        at = static_cast<int>(
            std::upper_bound(w.items.begin(), w.items.end(), key, LessNoCase) -
            w.items.begin());
      } else {
        at = count;
      }
      try {
        w.items.insert(w.items.begin() + at, std::wstring(text));
      } catch (const std::bad_alloc&) {
        return CB_ERRSPACE;
      }
      if (w.current >= at) ++w.current;
      after.changed = true;
      return at;
    }
    case CB_DELETESTRING:
      if (!in_range) return CB_ERR;
      w.items.erase(w.items.begin() + index);
      if (w.current == index) {
        w.current = -1;
      } else if (w.current > index) {
        --w.current;
      }
      after.changed = true;
      return count - 1;
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return w.current;
    case CB_GETLBTEXT:
      if (!in_range || !text) return CB_ERR;
      {
        const std::wstring& item = w.items[index];
        wchar_t* out = reinterpret_cast<wchar_t*>(lparam);
        std::copy(item.begin(), item.end(), out);
        out[item.size()] = L'\0';
        return static_cast<LRESULT>(item.size());
      }
    case CB_GETLBTEXTLEN:
      if (!in_range) return CB_ERR;
      return static_cast<LRESULT>(w.items[index].size());
    case CB_RESETCONTENT:
      w.items.clear();
      w.current = -1;
      w.text.clear();
      after.changed = true;
      return CB_OKAY;
    case CB_SETCURSEL:
      after.changed = true;
      if (!in_range) {
        Select(w, -1);
        return CB_ERR;
      }
      Select(w, index);
      return index;
    case CB_FINDSTRINGEXACT:
      if (!text) return CB_ERR;
      return Search(w, wparam, [text](const std::wstring& item) {
        return EqualNoCase(item, text);
      });
    case CB_SELECTSTRING: {
      if (!text) return CB_ERR;
      const int found = Search(w, wparam, [text](const std::wstring& item) {
        return StartsWithNoCase(item, text);
      });
      if (found == CB_ERR) return CB_ERR;
      Select(w, found);
      after.changed = true;
      return found;
    }
    default:
      return TextMessage(w, message, wparam, lparam, after);
  }
}

LRESULT ButtonMessage(Window& w, UINT message, WPARAM wparam, LPARAM lparam,
                      After& after) {
  switch (message) {
    case BM_GETCHECK:
      return w.check;
    case BM_SETCHECK: {
      // A two-state box takes any nonzero state as checked; a push
      // button has none.
      const int state =
          w.IsCheckBox() && wparam != BST_UNCHECKED ? BST_CHECKED : 0;
      if (state != w.check) {
        w.check = state;
        after.changed = true;
      }
      return 0;
    }
    case BM_CLICK:
      if (w.style & WS_DISABLED) return 0;
      if (w.ButtonType() == BS_AUTOCHECKBOX) {
        w.check = w.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        after.changed = true;
        after.reported = BM_SETCHECK;
      }
      after.focus = true;
      after.notify = true;
      after.code = BN_CLICKED;
      return 0;
    default:
      return TextMessage(w, message, wparam, lparam, after);
  }
}

// WM_COMMAND and WM_CLOSE belong to the window's object: its message map,
// or the default procedure (a plain window without an object destroys
// itself on WM_CLOSE).
bool IsProcedureMessage(UINT message) {
  return message == WM_COMMAND || message == WM_CLOSE;
}

LRESULT CallProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  CWnd* owner = matrix::platform::window::OwnerOf(window);
  if (owner) return AfxCallWndProc(owner, window, message, wparam, lparam);
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

// A procedure message on its way to the thread that made its window.
struct Posted {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

void DeliverPosted(void* argument) {
  const std::unique_ptr<Posted> p(static_cast<Posted*>(argument));
  // The window, and with it its object, may be gone by now.
  if (IsWindow(p->window))
    CallProcedure(p->window, p->message, p->wparam, p->lparam);
}

// Hands a procedure message for a window made on another thread to the
// toolkit's dispatcher, so that the window's object handles it on its own
// thread, never beside it; false when there is no dispatcher (or no
// memory), and the caller's thread handles it.
bool Dispatched(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Table& t = Windows();
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    const Window* w = Find(t, window);
    if (!w || w->thread == std::this_thread::get_id()) return false;
  }
  const auto [dispatcher, context] = t.dispatcher.Get();
  if (!dispatcher) return false;
  auto* posted = new (std::nothrow) Posted{window, message, wparam, lparam};
  if (!posted) return false;
  dispatcher(&DeliverPosted, posted, context);
  return true;
}

// Runs `change` on the record of `window` under the lock and reports
// `message` to the observer when it changed something; FALSE for a stale
// handle.
template <typename Change>
BOOL ChangeWindow(HWND window, UINT message, Change change) {
  Table& t = Windows();
  bool changed = false;
  BOOL result;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    Window* w = Find(t, window);
    if (!w) return FALSE;
    result = change(*w, changed);
  }
  if (changed) Notify(window, message);
  return result;
}

// Stores in `rect` what `read` makes of the record of `window`, under the
// lock; FALSE, and `rect` unchanged, for a stale handle or a null `rect`.
template <typename Read>
BOOL ReadRect(HWND window, LPRECT rect, Read read) {
  if (!rect) return FALSE;
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  const Window* w = Find(t, window);
  if (!w) return FALSE;
  *rect = read(t, w);
  return TRUE;
}

// Sets or clears style bits; true when that changed them.
bool SetStyleBits(Window& w, DWORD bits, bool on) {
  const DWORD style = on ? (w.style | bits) : (w.style & ~bits);
  if (style == w.style) return false;
  w.style = style;
  return true;
}

// The windows under `root` (a null root: the whole table) in depth-first
// order, parents first: the top-level ones when `children` is false, the
// child windows otherwise. Call with the lock held.
std::vector<HWND> Walk(Table& t, HWND root, bool children) {
  std::vector<HWND> found;
  std::vector<HWND> stack;
  if (root) {
    const std::vector<HWND>& c = Find(t, root)->children;
    stack.assign(c.rbegin(), c.rend());
  } else {
    for (std::size_t i = t.slots.size(); i-- > 0;) {
      const Slot& slot = t.slots[i];
      if (slot.window && !slot.window->parent) {
        stack.push_back(MakeHandle(i, slot.generation));
      }
    }
  }
  while (!stack.empty()) {
    const HWND h = stack.back();
    stack.pop_back();
    const Window* w = Find(t, h);
    if (children) {
      if (!w->IsChild()) continue;  // an owned window is not a child
      found.push_back(h);
    } else if (!w->IsChild()) {
      found.push_back(h);
    }
    stack.insert(stack.end(), w->children.rbegin(), w->children.rend());
  }
  return found;
}

BOOL Enumerate(HWND root, bool children, WNDENUMPROC callback, LPARAM lparam) {
  if (!callback) return FALSE;
  Table& t = Windows();
  std::vector<HWND> windows;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    if (root && !Find(t, root)) return FALSE;
    windows = Walk(t, root, children);
  }
  for (HWND h : windows) {
    if (IsWindow(h) && !callback(h, lparam)) return FALSE;
  }
  return TRUE;
}

}  // namespace

// --- Win32 calls ------------------------------------------------------------

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (IsProcedureMessage(message)) {
    if (!IsWindow(window) || Dispatched(window, message, wparam, lparam))
      return 0;
    return CallProcedure(window, message, wparam, lparam);
  }
  Table& t = Windows();
  After after;
  LRESULT result;
  HWND parent;
  int id;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    Window* w = Find(t, window);
    if (!w) return 0;
    switch (w->kind) {
      case Kind::kEdit:
        result = EditMessage(*w, message, wparam, lparam, after);
        break;
      case Kind::kCombo:
        result = ComboMessage(*w, message, wparam, lparam, after);
        break;
      case Kind::kButton:
        result = ButtonMessage(*w, message, wparam, lparam, after);
        break;
      default:
        result = TextMessage(*w, message, wparam, lparam, after);
        break;
    }
    parent = w->IsChild() ? w->parent : nullptr;
    id = w->id;
  }
  if (after.focus) SetFocus(window);
  if (after.changed) Notify(window, after.reported ? after.reported : message);
  if (after.notify && parent) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, after.code),
                 reinterpret_cast<LPARAM>(window));
  }
  return result;
}

int GetWindowTextW(HWND window, LPWSTR text, int max_count) {
  if (!text || max_count < 1) return 0;
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  if (!w) {
    text[0] = L'\0';
    return 0;
  }
  return CopyText(w->Text(), text, max_count);
}

int GetWindowTextLengthW(HWND window) {
  return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ==
         TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, dialog);
  if (!w) return nullptr;
  for (HWND child : w->children) {
    if (Find(t, child)->id == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND window) { return GetWindowLongW(window, GWL_ID); }

HWND GetParent(HWND window) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  return w ? w->parent : nullptr;
}

int GetClassNameW(HWND window, LPWSTR name, int max_count) {
  if (!name || max_count < 1) return 0;
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  if (!w) {
    name[0] = L'\0';
    return 0;
  }
  return CopyText(w->class_name, name, max_count);
}

LONG GetWindowLongW(HWND window, int index) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  if (!w) return 0;
  if (index == GWL_STYLE) return static_cast<LONG>(w->style);
  if (index == GWL_ID) return w->id;
  return 0;
}

HWND SetFocus(HWND window) {
  Table& t = Windows();
  HWND previous;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    if (window && !Find(t, window)) return nullptr;
    previous = t.focus;
    if (previous == window) return previous;
    t.focus = window;
  }
  std::vector<Change> changes;
  if (previous) changes.push_back({previous, WM_KILLFOCUS});
  if (window) changes.push_back({window, WM_SETFOCUS});
  Notify(changes);
  return previous;
}

HWND GetFocus() {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  return t.focus;
}

BOOL IsWindow(HWND window) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  return Find(t, window) != nullptr;
}

BOOL DestroyWindow(HWND window) {
  Table& t = Windows();
  std::vector<Change> changes;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    Window* w = Find(t, window);
    if (!w) return FALSE;
    // The subtree, children before their parent, and room for what the
    // destruction records, all before the first change.
    std::vector<HWND> order;
    try {
      std::vector<std::pair<HWND, std::size_t>> stack{{window, 0}};
      while (!stack.empty()) {
        const HWND current = stack.back().first;
        const std::size_t next = stack.back().second;
        const std::vector<HWND>& children = Find(t, current)->children;
        if (next < children.size()) {
          ++stack.back().second;
          stack.push_back({children[next], 0});
        } else {
          order.push_back(current);
          stack.pop_back();
        }
      }
      changes.reserve(order.size() + 1);
      t.free.reserve(t.free.size() + order.size());
    } catch (const std::bad_alloc&) {
      return FALSE;
    }
    if (Window* parent = Find(t, w->parent)) {
      auto& siblings = parent->children;
      siblings.erase(std::find(siblings.begin(), siblings.end(), window));
    }
    for (HWND handle : order) {
      Window* gone = Find(t, handle);
      if (gone->owner) gone->owner->m_hWnd = nullptr;
      if (t.focus == handle) {
        t.focus = nullptr;
        changes.push_back({handle, WM_KILLFOCUS});
      }
      const std::size_t index =
          (reinterpret_cast<std::uintptr_t>(handle) & kIndexMask) - 1;
      Slot& slot = t.slots[index];
      slot.window.reset();
      ++slot.generation;
      t.free.push_back(index);
      changes.push_back({handle, WM_DESTROY});
    }
  }
  Notify(changes);
  return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
  HWND parent = nullptr;
  const BOOL was = ChangeWindow(window, WM_SHOWWINDOW, [&](Window& w, bool& c) {
    const BOOL visible = (w.style & WS_VISIBLE) ? TRUE : FALSE;
    c = SetStyleBits(w, WS_VISIBLE, command != SW_HIDE);
    parent = w.IsChild() ? w.parent : nullptr;
    return visible;
  });
  if (command != SW_HIDE) return was;
  // A hidden window cannot keep the focus: it goes back to the parent
  // (none for a top-level window), also from a descendant.
  for (HWND f = GetFocus(); f; f = GetParent(f)) {
    if (f == window) {
      SetFocus(parent);
      break;
    }
  }
  return was;
}

BOOL IsWindowVisible(HWND window) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (Window* w = Find(t, window); w; w = Find(t, w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!w->IsChild()) return TRUE;
  }
  return FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  Table& t = Windows();
  std::vector<Change> changes;
  BOOL was;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    Window* w = Find(t, window);
    if (!w) return FALSE;
    was = (w->style & WS_DISABLED) ? TRUE : FALSE;
    if (SetStyleBits(*w, WS_DISABLED, !enable)) {
      changes.push_back({window, WM_ENABLE});
    }
    // A disabled window cannot keep the focus.
    if (!enable && t.focus == window) {
      t.focus = nullptr;
      changes.push_back({window, WM_KILLFOCUS});
    }
  }
  Notify(changes);
  return was;
}

BOOL IsWindowEnabled(HWND window) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height,
                BOOL repaint) {
  (void)repaint;
  const RECT r{x, y, matrix::platform::WrapAdd(x, std::max(width, 0)),
               matrix::platform::WrapAdd(y, std::max(height, 0))};
  return ChangeWindow(window, WM_WINDOWPOSCHANGED, [&r](Window& w, bool& c) {
    c = !EqualRect(&w.rect, &r);
    w.rect = r;
    return TRUE;
  });
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  return ReadRect(window, rect, [](Table& t, const Window* w) {
    RECT r = w->rect;
    // A child's rectangle is relative to its parent's client area, which
    // is the parent's whole rectangle here.
    for (; w->IsChild(); w = Find(t, w->parent)) {
      const RECT& p = Find(t, w->parent)->rect;
      OffsetRect(&r, p.left, p.top);
    }
    return r;
  });
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  return ReadRect(window, rect, [](Table&, const Window* w) {
    return RECT{0, 0, matrix::platform::WrapSub(w->rect.right, w->rect.left),
                matrix::platform::WrapSub(w->rect.bottom, w->rect.top)};
  });
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lparam) {
  return Enumerate(nullptr, false, callback, lparam);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lparam) {
  return parent ? Enumerate(parent, true, callback, lparam) : FALSE;
}

void AfxSetWindowObserver(AFX_WINDOW_OBSERVER observer, void* context) {
  Windows().observer.Set(observer, context);
}

void AfxSetThreadDispatcher(AFX_THREAD_DISPATCHER dispatcher, void* context) {
  Windows().dispatcher.Set(dispatcher, context);
}

// --- What the window objects read -------------------------------------------

namespace matrix::platform::window {

HWND CreateWindowRecord(const wchar_t* class_name, const wchar_t* window_name,
                        DWORD style, const RECT& rect, HWND parent, int id,
                        CWnd* owner) {
  return Create(class_name, window_name, style, rect, parent, id, owner);
}

CWnd* OwnerOf(HWND window) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  return w ? w->owner : nullptr;
}

std::wstring TextOf(HWND window) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  return w ? w->Text() : std::wstring();
}

std::wstring ItemTextOf(HWND window, int index) {
  Table& t = Windows();
  std::lock_guard<std::mutex> lock(t.mutex);
  Window* w = Find(t, window);
  if (w && w->kind == Kind::kCombo && index >= 0 &&
      index < static_cast<int>(w->items.size())) {
    return w->items[index];
  }
  return std::wstring();
}

}  // namespace matrix::platform::window
