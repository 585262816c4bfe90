// The painter of window trees: dialogs, pages and the standard controls drawn plainly into the
// page image, owner-drawn buttons through WM_DRAWITEM, the tab strip of a property sheet's frame,
// and the paint step of the scripted user.
#include <algorithm>
#include <mutex>

#include "platform/win32/gdi/GdiState.h"
#include "platform/win32/user/PropertySheet.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::gdi {
namespace {

using user::Kind;
using user::Window;

constexpr LONG kCheckBox = 13;
constexpr LONG kListRow = 16;
constexpr LONG kArrow = 16;

COLORREF Sys(int index) {
  return GetSysColor(index);
}

// Drawing straight onto the page image, outside the journal: the painter is the platform, not
// the code under test. The lock is held.
class Painter {
 public:
  Painter() : page_(*Tables().page) {}

  void Fill(RECT r, COLORREF c) { FillArea(page_, Whole(), r, c); }

  void Line(POINT a, POINT b, COLORREF c) {
    int phase = 0;
    DrawLine(page_, Whole(), a, b, 1, PS_SOLID, c, std::nullopt, &phase);
  }

  // A frame of two colours: `light` on the top and left, `dark` on the bottom and right.
  void Frame(RECT r, COLORREF light, COLORREF dark) {
    if (r.right - r.left < 2 || r.bottom - r.top < 2) {
      return;
    }
    Line({r.left, r.bottom - 1}, {r.left, r.top}, light);
    Line({r.left, r.top}, {r.right - 1, r.top}, light);
    Line({r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, dark);
    Line({r.right - 1, r.bottom - 1}, {r.left - 1, r.bottom - 1}, dark);
  }

  void Raised(RECT r) {
    Frame(r, Sys(COLOR_BTNHIGHLIGHT), RGB(0, 0, 0));
    Frame(Inset(r, 1), Sys(COLOR_BTNFACE), Sys(COLOR_BTNSHADOW));
  }

  void Sunken(RECT r) {
    Frame(r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
    Frame(Inset(r, 1), RGB(0, 0, 0), Sys(COLOR_BTNFACE));
  }

  // Text in the stock variable font, clipped to `box`; align 0 left, 1 centre, 2 right,
  // vertically centred.
  void Text(RECT box, std::u16string_view text, int align, COLORREF color) {
    if (text.empty() || box.right <= box.left || box.bottom <= box.top) {
      return;
    }
    Dc dc;
    dc.kind = DcKind::kScreen;
    dc.area = box;
    dc.state = DefaultState(false);
    dc.state.font = Stock(ANSI_VAR_FONT);
    dc.state.bk_mode = TRANSPARENT;
    dc.state.text_color = color;
    const TextBox size = MeasureText(dc, text, nullptr);
    LONG x = box.left;
    if (align == 1) {
      x = box.left + (box.right - box.left - size.width) / 2;
    } else if (align == 2) {
      x = box.right - size.width;
    }
    const LONG y = box.top + (box.bottom - box.top - size.height) / 2;
    DrawText(dc, {x, y}, text, nullptr);
  }

  TextBox Measure(std::u16string_view text) {
    Dc dc;
    dc.state = DefaultState(false);
    dc.state.font = Stock(ANSI_VAR_FONT);
    return MeasureText(dc, text, nullptr);
  }

  static RECT Inset(RECT r, LONG d) { return {r.left + d, r.top + d, r.right - d, r.bottom - d}; }

 private:
  RECT Whole() const { return {0, 0, page_.width, page_.height}; }
  Surface& page_;
};

RECT ScreenRect(const Window& w) {
  const POINT o = user::ClientOrigin(w);
  return {o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
}

// Text without the '&' marks of mnemonics.
std::u16string Plain(std::u16string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) {
      ++i;
    }
    out.push_back(text[i]);
  }
  return out;
}

void DownArrow(Painter& p, RECT r, COLORREF c) {
  const LONG cx = (r.left + r.right) / 2;
  const LONG cy = (r.top + r.bottom) / 2 - 1;
  for (LONG i = 0; i < 4; ++i) {
    p.Line({cx - 3 + i, cy + i}, {cx + 4 - i, cy + i}, c);
  }
}

void UpArrow(Painter& p, RECT r, COLORREF c) {
  const LONG cx = (r.left + r.right) / 2;
  const LONG cy = (r.top + r.bottom) / 2 + 2;
  for (LONG i = 0; i < 4; ++i) {
    p.Line({cx - 3 + i, cy - i}, {cx + 4 - i, cy - i}, c);
  }
}

void PaintButton(Painter& p, const Window& w, RECT r) {
  const COLORREF text = w.Enabled() ? Sys(COLOR_BTNTEXT) : Sys(COLOR_GRAYTEXT);
  const std::u16string caption = Plain(w.text);
  const DWORD type = w.Type();
  switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
      const LONG top = r.top + (r.bottom - r.top - kCheckBox) / 2;
      const RECT box{r.left, top, r.left + kCheckBox, top + kCheckBox};
      p.Fill(box, Sys(COLOR_WINDOW));
      p.Sunken(box);
      if (w.check == BST_CHECKED) {
        const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        if (radio) {
          p.Fill({box.left + 4, box.top + 4, box.right - 4, box.bottom - 4}, text);
        } else {
          for (LONG i = 0; i < 3; ++i) {
            p.Line({box.left + 3, box.top + 5 + i}, {box.left + 5, box.top + 7 + i}, text);
            p.Line({box.left + 5, box.top + 7 + i}, {box.left + 10, box.top + 2 + i}, text);
          }
        }
      } else if (w.check == BST_INDETERMINATE) {
        p.Fill(Painter::Inset(box, 3), Sys(COLOR_BTNSHADOW));
      }
      p.Text({box.right + 4, r.top, r.right, r.bottom}, caption, 0, text);
      return;
    }
    case BS_GROUPBOX: {
      const TextBox size = p.Measure(caption);
      const LONG mid = r.top + size.height / 2;
      p.Frame({r.left, mid, r.right, r.bottom}, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
      p.Frame({r.left + 1, mid + 1, r.right, r.bottom}, Sys(COLOR_BTNHIGHLIGHT),
              Sys(COLOR_BTNSHADOW));
      if (!caption.empty()) {
        const RECT label{r.left + 6, r.top, r.left + 10 + size.width, r.top + size.height};
        p.Fill(label, Sys(COLOR_BTNFACE));
        p.Text({label.left + 2, label.top, label.right, label.bottom}, caption, 0, text);
      }
      return;
    }
    default: {
      if (w.pushed) {
        p.Frame(r, RGB(0, 0, 0), RGB(0, 0, 0));
        p.Frame(Painter::Inset(r, 1), Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNSHADOW));
      } else if (type == BS_DEFPUSHBUTTON) {
        p.Frame(r, RGB(0, 0, 0), RGB(0, 0, 0));
        p.Raised(Painter::Inset(r, 1));
      } else {
        p.Raised(r);
      }
      const LONG shift = w.pushed ? 1 : 0;
      p.Text({r.left + shift, r.top + shift, r.right + shift, r.bottom + shift}, caption, 1, text);
      return;
    }
  }
}

void PaintStatic(Painter& p, const Window& w, RECT r) {
  const DWORD type = w.style & SS_TYPEMASK;
  if (type == SS_ICON) {
    // An icon as a plain 32 x 32 picture: a framed white square with a blue centre.
    const RECT icon{r.left, r.top, r.left + 32, r.top + 32};
    p.Fill(icon, Sys(COLOR_WINDOW));
    p.Frame(icon, RGB(0, 0, 128), RGB(0, 0, 128));
    p.Fill(Painter::Inset(icon, 10), RGB(0, 0, 128));
    return;
  }
  const int align = type == 1 ? 1 : type == 2 ? 2 : 0;  // SS_CENTER, SS_RIGHT
  const COLORREF text = w.Enabled() ? Sys(COLOR_BTNTEXT) : Sys(COLOR_GRAYTEXT);
  p.Text({r.left, r.top, r.right, std::min(r.bottom, r.top + 16)}, Plain(w.text), align, text);
}

void PaintField(Painter& p, const Window& w, RECT r, std::u16string_view text) {
  p.Fill(r, w.Enabled() ? Sys(COLOR_WINDOW) : Sys(COLOR_BTNFACE));
  p.Sunken(r);
  p.Text({r.left + 4, r.top + 2, r.right - 2, r.bottom - 2}, text, 0,
         w.Enabled() ? Sys(COLOR_WINDOWTEXT) : Sys(COLOR_GRAYTEXT));
}

void PaintCombo(Painter& p, const Window& w, RECT r) {
  r.bottom = std::min(r.bottom, r.top + user::kComboFieldHeight);
  std::u16string text = w.text;
  if ((w.style & 0x3) == CBS_DROPDOWNLIST) {
    text = w.selected >= 0 && w.selected < static_cast<int>(w.items.size())
               ? w.items[static_cast<std::size_t>(w.selected)].text
               : std::u16string();
  }
  PaintField(p, w, r, text);
  const RECT button{r.right - 2 - kArrow, r.top + 2, r.right - 2, r.bottom - 2};
  p.Fill(button, Sys(COLOR_BTNFACE));
  p.Raised(button);
  DownArrow(p, button, w.Enabled() ? RGB(0, 0, 0) : Sys(COLOR_GRAYTEXT));
}

void PaintList(Painter& p, const Window& w, RECT r) {
  p.Fill(r, Sys(COLOR_WINDOW));
  p.Sunken(r);
  LONG y = r.top + 2;
  for (std::size_t i = static_cast<std::size_t>(std::max(0, w.top_index));
       i < w.items.size() && y + kListRow <= r.bottom - 2; ++i, y += kListRow) {
    const bool selected = static_cast<int>(i) == w.selected;
    const RECT row{r.left + 2, y, r.right - 2, y + kListRow};
    if (selected) {
      p.Fill(row, Sys(COLOR_HIGHLIGHT));
    }
    p.Text({row.left + 2, row.top, row.right, row.bottom}, w.items[i].text, 0,
           selected ? Sys(COLOR_HIGHLIGHTTEXT) : Sys(COLOR_WINDOWTEXT));
  }
}

void PaintScrollBar(Painter& p, const Window& w, RECT r) {
  const bool vertical = (w.style & SBS_VERT) != 0;
  p.Fill(r, RGB(224, 224, 224));
  const LONG length = vertical ? r.bottom - r.top : r.right - r.left;
  const LONG side = std::min<LONG>(kArrow, length / 2);
  const RECT first = vertical ? RECT{r.left, r.top, r.right, r.top + side}
                              : RECT{r.left, r.top, r.left + side, r.bottom};
  const RECT last = vertical ? RECT{r.left, r.bottom - side, r.right, r.bottom}
                             : RECT{r.right - side, r.top, r.right, r.bottom};
  for (const RECT& b : {first, last}) {
    p.Fill(b, Sys(COLOR_BTNFACE));
    p.Raised(b);
  }
  const LONG track = length - 2 * side - side;
  const int range = std::max(1, w.scroll_max - w.scroll_min);
  if (track > 0) {
    const LONG at =
        side + static_cast<LONG>(static_cast<std::int64_t>(track) *
                                 std::clamp(w.scroll_pos - w.scroll_min, 0, range) / range);
    const RECT thumb = vertical ? RECT{r.left, r.top + at, r.right, r.top + at + side}
                                : RECT{r.left + at, r.top, r.left + at + side, r.bottom};
    p.Fill(thumb, Sys(COLOR_BTNFACE));
    p.Raised(thumb);
  }
}

void PaintUpDown(Painter& p, RECT r) {
  const LONG mid = (r.top + r.bottom) / 2;
  const RECT up{r.left, r.top, r.right, mid};
  const RECT down{r.left, mid, r.right, r.bottom};
  for (const RECT& b : {up, down}) {
    p.Fill(b, Sys(COLOR_BTNFACE));
    p.Raised(b);
  }
  UpArrow(p, up, RGB(0, 0, 0));
  DownArrow(p, down, RGB(0, 0, 0));
}

// The tab strip of a sheet's frame: one tab per page title above the page area.
void PaintTabs(Painter& p, HWND frame, RECT r) {
  const std::vector<SheetPageInfo> pages = user::SheetPages(frame);
  LONG x = r.left + 6;
  const LONG top = r.top + 6;
  const LONG bottom = r.top + 28;
  p.Line({r.left + 6, bottom - 1}, {r.right - 6, bottom - 1}, Sys(COLOR_BTNHIGHLIGHT));
  for (const SheetPageInfo& page : pages) {
    const std::u16string title = Plain(page.title);
    const LONG width = std::max<LONG>(42, p.Measure(title).width + 12);
    const LONG lift = page.active ? 0 : 2;
    const RECT tab{x, top + lift, x + width, bottom};
    p.Fill(tab, Sys(COLOR_BTNFACE));
    p.Line({tab.left, tab.bottom - 1}, {tab.left, tab.top}, Sys(COLOR_BTNHIGHLIGHT));
    p.Line({tab.left, tab.top}, {tab.right - 1, tab.top}, Sys(COLOR_BTNHIGHLIGHT));
    p.Line({tab.right - 1, tab.top}, {tab.right - 1, tab.bottom}, RGB(0, 0, 0));
    p.Line({tab.right - 2, tab.top + 1}, {tab.right - 2, tab.bottom}, Sys(COLOR_BTNSHADOW));
    if (!page.active) {
      p.Line({tab.left, bottom - 1}, {tab.right, bottom - 1}, Sys(COLOR_BTNHIGHLIGHT));
    }
    p.Text({tab.left + 2, tab.top + 2, tab.right - 2, tab.bottom - 2}, title, 1,
           Sys(COLOR_BTNTEXT));
    x += width;
  }
}

// WM_DRAWITEM for an owner-drawn button, on a DC over its rectangle. Called without the lock.
void DrawOwnerButton(HWND button) {
  HWND parent = nullptr;
  DRAWITEMSTRUCT item{};
  HDC dc = nullptr;
  {
    Lock lock(Tables().mutex);
    Window* w = user::Find(button);
    if (w == nullptr || w->parent == nullptr) {
      return;
    }
    parent = w->parent;
    dc = MakeWindowDc(button, DcKind::kItem);
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(w->id);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = (w->pushed ? ODS_SELECTED : 0) | (w->Enabled() ? 0 : ODS_DISABLED) |
                     (user::Focus() == button ? ODS_FOCUS : 0);
    item.hwndItem = button;
    item.hDC = dc;
    item.rcItem = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    Journal("WM_DRAWITEM " + vel::platform::WindowLabel(button) + " -> " + NameOf(dc) + " state " +
            std::to_string(item.itemState));
  }
  SendMessageW(parent, WM_DRAWITEM, static_cast<WPARAM>(item.CtlID),
               reinterpret_cast<LPARAM>(&item));
  Lock lock(Tables().mutex);
  Tables().dcs.erase(reinterpret_cast<std::uintptr_t>(dc));
}

// Paints a window and its visible children; the window itself is painted even when hidden.
void PaintTree(HWND handle, bool root) {
  std::vector<HWND> children;
  bool owner_drawn = false;
  {
    Lock lock(Tables().mutex);
    Window* w = user::Find(handle);
    if (w == nullptr || (!root && !w->Visible())) {
      return;
    }
    Painter p;
    const RECT r = ScreenRect(*w);
    switch (w->kind) {
      case Kind::kButton:
        owner_drawn = w->Type() == BS_OWNERDRAW;
        if (!owner_drawn) {
          PaintButton(p, *w, r);
        }
        break;
      case Kind::kStatic:
        PaintStatic(p, *w, r);
        break;
      case Kind::kEdit:
        PaintField(p, *w, r,
                   (w->style & ES_PASSWORD) != 0 ? std::u16string(w->text.size(), u'*') : w->text);
        break;
      case Kind::kComboBox:
        PaintCombo(p, *w, r);
        break;
      case Kind::kListBox:
        PaintList(p, *w, r);
        break;
      case Kind::kScrollBar:
        PaintScrollBar(p, *w, r);
        break;
      case Kind::kUpDown:
        PaintUpDown(p, r);
        break;
      default:
        p.Fill(r, Sys(COLOR_BTNFACE));
        if (user::IsSheetFrame(handle)) {
          PaintTabs(p, handle, r);
        }
        break;
    }
    children = w->children;
  }
  if (owner_drawn) {
    DrawOwnerButton(handle);
  }
  // The first child is on top, so it is painted last.
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    PaintTree(*it, false);
  }
}

}  // namespace
}  // namespace vel::platform::gdi

namespace vel::platform {

Image PaintWindowTree(HWND window) {
  RECT area{0, 0, 0, 0};
  {
    gdi::Lock lock(gdi::Tables().mutex);
    user::Window* w = user::Find(window);
    if (w == nullptr) {
      return {};
    }
    area = gdi::ScreenRect(*w);
  }
  gdi::PaintTree(window, true);
  return PageImage(area);
}

int PaintMarkedWindows() {
  int drawn = 0;
  for (HWND window : TakePaintMarks()) {
    user::Window* w = user::Find(window);
    if (w != nullptr && w->kind == user::Kind::kButton && w->Type() == BS_OWNERDRAW &&
        user::ReallyVisible(*w)) {
      gdi::DrawOwnerButton(window);
      ++drawn;
    }
  }
  return drawn;
}

void InstallPaintStep() {
  SetPaintHook(&PaintMarkedWindows);
}

}  // namespace vel::platform
