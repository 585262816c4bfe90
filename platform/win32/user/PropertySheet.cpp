// The common property sheet: CommonPropertySheetUIW, its function for the callback, the frame
// with its buttons, and the pages made when first shown.
#include "platform/win32/user/PropertySheet.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/CallLog.h"
#include "platform/win32/user/DialogTemplate.h"
#include "platform/win32/user/ResourceAccess.h"
#include "platform/win32/user/UserState.h"
#include "platform/win32/user/Window.h"
#include "platform/win32/user/compstui.h"

namespace vel::platform::user {
namespace {

// Where pages sit in the frame, and the frame's margins and button row, in pixels.
constexpr LONG kPageLeft = 6;
constexpr LONG kPageTop = 28;
constexpr LONG kButtonWidth = 75;
constexpr LONG kButtonHeight = 23;
constexpr LONG kFrameLeft = 100;
constexpr LONG kFrameTop = 40;
// A page record larger than this is refused.
constexpr DWORD kLargestPageRecord = 0x10000;

struct Page {
  std::vector<std::uint64_t> storage;  // the sheet's copy of the page record, aligned
  HANDLE handle = nullptr;
  std::u16string title;
  HWND window = nullptr;
  bool created = false;
  bool refused = false;

  PROPSHEETPAGEW* record() { return reinterpret_cast<PROPSHEETPAGEW*>(storage.data()); }
};

struct Sheet {
  HWND frame = nullptr;
  HWND owner = nullptr;
  PFNPROPSHEETUI callback = nullptr;
  PROPSHEETUI_INFO info{};
  std::vector<std::unique_ptr<Page>> pages;
  int active = -1;
  bool apply_offered = true;
  bool closed = false;
  std::u16string title;
};

struct Registry {
  std::mutex mutex;
  std::map<HANDLE, Sheet*> sheets;  // by the frame's handle, which is also hComPropSheet
};

Registry& GetRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

Sheet* FindSheet(HANDLE handle) {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.sheets.find(handle);
  return it == registry.sheets.end() ? nullptr : it->second;
}

std::atomic<std::uintptr_t> next_page_handle{0x7000};

void Log(std::string line) {
  LogCall("CommonPropertySheetUIW: " + std::move(line));
}

std::string PageName(const Page& page) {
  return "page " + Quote(page.title);
}

// The template of a page: in memory with PSP_DLGINDIRECT, else a resource of hInstance.
bool PageTemplate(PROPSHEETPAGEW& record, const std::uint8_t** bytes, std::size_t* size) {
  if ((record.dwFlags & PSP_DLGINDIRECT) != 0) {
    *bytes = reinterpret_cast<const std::uint8_t*>(record.pResource);
    *size = record.pResource == nullptr ? 0 : kTemplateInMemoryLimit;
    return record.pResource != nullptr;
  }
  return FindModuleResource(record.hInstance, kRtDialog, record.pszTemplate, bytes, size);
}

LRESULT Notify(Sheet& sheet, Page& page, UINT code, LPARAM lparam) {
  PSHNOTIFY notify{};
  notify.hdr.hwndFrom = sheet.frame;
  notify.hdr.idFrom = 0;
  notify.hdr.code = code;
  notify.lParam = lparam;
  return Send(page.window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

UINT PageCallback(Page& page, UINT message) {
  PROPSHEETPAGEW* record = page.record();
  if ((record->dwFlags & PSP_USECALLBACK) == 0 || record->pfnCallback == nullptr) {
    return 1;
  }
  const UINT answer = record->pfnCallback(nullptr, message, record);
  Log(PageName(page) + (message == PSPCB_CREATE ? " PSPCB_CREATE -> " : " PSPCB_RELEASE -> ") +
      std::to_string(answer));
  return answer;
}

bool CreatePage(Sheet& sheet, Page& page) {
  if (page.created) {
    return true;
  }
  if (page.refused) {
    return false;
  }
  if (PageCallback(page, PSPCB_CREATE) == 0) {
    page.refused = true;
    Log(PageName(page) + " refused by its callback");
    return false;
  }
  PROPSHEETPAGEW* record = page.record();
  DialogOptions options;
  options.instance = record->hInstance;
  options.owner = sheet.frame;
  options.procedure = record->pfnDlgProc;
  options.init_param = reinterpret_cast<LPARAM>(record);
  options.as_page = true;
  options.position = POINT{kPageLeft, kPageTop};
  options.label = PageName(page);
  options.call = "CreatePropertySheetPage";
  if ((record->dwFlags & PSP_DLGINDIRECT) == 0 && IsOrdinal(record->pszTemplate)) {
    options.template_id = OrdinalOf(record->pszTemplate);
  }
  if (!PageTemplate(*record, &options.bytes, &options.size)) {
    page.refused = true;
    Log(PageName(page) + " has no dialog template");
    return false;
  }
  page.window = MakeDialog(options);
  if (page.window == nullptr) {
    page.refused = true;
    Log(PageName(page) + " could not be made");
    return false;
  }
  page.created = true;
  return true;
}

void LayOut(Sheet& sheet, const Window& page) {
  Window* frame = Find(sheet.frame);
  if (frame == nullptr) {
    return;
  }
  const LONG width =
      std::max<LONG>(page.rect.right - page.rect.left + 2 * kPageLeft, 4 * (kButtonWidth + 6) + 6);
  const LONG height = page.rect.bottom - page.rect.top + kPageTop + kButtonHeight + 14;
  frame->rect = RECT{kFrameLeft, kFrameTop, kFrameLeft + width, kFrameTop + height};
  LONG right = width - 6;
  for (int id : {IDHELP_SHEET, IDAPPLY_SHEET, IDCANCEL, IDOK}) {
    if (Window* button = Find(GetDlgItem(sheet.frame, id))) {
      button->rect = RECT{right - kButtonWidth, height - kButtonHeight - 7, right, height - 7};
      right -= kButtonWidth + 6;
    }
  }
}

bool Activate(Sheet& sheet, std::size_t index, std::string& error) {
  if (index >= sheet.pages.size()) {
    error = "the sheet has no page " + std::to_string(index + 1);
    return false;
  }
  if (sheet.active == static_cast<int>(index)) {
    return true;
  }
  Page* old_page =
      sheet.active >= 0 ? sheet.pages[static_cast<std::size_t>(sheet.active)].get() : nullptr;
  if (old_page != nullptr && Notify(sheet, *old_page, PSN_KILLACTIVE, 0) != 0) {
    error = PageName(*old_page) + " kept itself active";
    Log(error);
    return false;
  }
  Page& page = *sheet.pages[index];
  if (!CreatePage(sheet, page)) {
    error = PageName(page) + " was refused";
    return false;
  }
  if (old_page != nullptr) {
    if (Window* window = Find(old_page->window)) {
      SetVisible(*window, false);
    }
  }
  sheet.active = static_cast<int>(index);
  if (Window* window = Find(page.window)) {
    SetVisible(*window, true);
    MarkForPaint(*window);
    LayOut(sheet, *window);
  }
  if (Window* help = Find(GetDlgItem(sheet.frame, IDHELP_SHEET))) {
    const bool has_help = (page.record()->dwFlags & PSP_HASHELP) != 0;
    SetEnabled(*help, has_help);
    SetVisible(*help, has_help);
  }
  Notify(sheet, page, PSN_SETACTIVE, 0);
  return true;
}

// The pages' PSN_APPLY in order; false when a page kept the sheet open.
bool ApplyPages(Sheet& sheet, bool closing) {
  if (sheet.active >= 0 &&
      Notify(sheet, *sheet.pages[static_cast<std::size_t>(sheet.active)], PSN_KILLACTIVE, 0) != 0) {
    Log(PageName(*sheet.pages[static_cast<std::size_t>(sheet.active)]) + " kept itself active");
    return false;
  }
  for (std::size_t i = 0; i < sheet.pages.size(); ++i) {
    Page& page = *sheet.pages[i];
    if (!page.created) {
      continue;
    }
    const LRESULT answer = Notify(sheet, page, PSN_APPLY, closing ? TRUE : FALSE);
    if (answer == PSNRET_INVALID || answer == PSNRET_INVALID_NOCHANGEPAGE) {
      Log(PageName(page) + " refused to apply");
      if (answer == PSNRET_INVALID) {
        std::string error;
        Activate(sheet, i, error);
      }
      return false;
    }
  }
  return true;
}

void Close(Sheet& sheet) {
  if (sheet.closed) {
    return;
  }
  sheet.closed = true;
  for (auto& page : sheet.pages) {
    if (page->created && page->window != nullptr) {
      Destroy(page->window);
      page->window = nullptr;
    }
  }
  for (auto& page : sheet.pages) {
    PageCallback(*page, PSPCB_RELEASE);
  }
  if (Window* frame = Find(sheet.frame)) {
    SetVisible(*frame, false);
  }
}

void Cancel(Sheet& sheet) {
  for (auto& page : sheet.pages) {
    if (page->created) {
      Notify(sheet, *page, PSN_RESET, 0);
    }
  }
  Close(sheet);
}

// The frame's own dialog procedure: its buttons.
INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM) {
  if (message != WM_COMMAND || HIWORD(wparam) != BN_CLICKED) {
    return FALSE;
  }
  Sheet* sheet = FindSheet(frame);
  if (sheet == nullptr || sheet->closed) {
    return FALSE;
  }
  switch (LOWORD(wparam)) {
    case IDOK:
      Log("OK");
      if (ApplyPages(*sheet, true)) {
        Close(*sheet);
      }
      return TRUE;
    case IDCANCEL:
      Log("Cancel");
      Cancel(*sheet);
      return TRUE;
    case IDAPPLY_SHEET:
      Log("Apply");
      ApplyPages(*sheet, false);
      return TRUE;
    case IDHELP_SHEET:
      Log("Help");
      if (sheet->active >= 0) {
        Notify(*sheet, *sheet->pages[static_cast<std::size_t>(sheet->active)], PSN_HELP, 0);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

LONG_PTR CALLBACK SheetFunction(HANDLE handle, UINT function, LPARAM lparam1, LPARAM lparam2) {
  Sheet* sheet = FindSheet(handle);
  if (sheet == nullptr) {
    LogCall("ComPropSheet(" + Hex(reinterpret_cast<std::uintptr_t>(handle)) + ", " +
            std::to_string(function) + ") on no sheet -> -1");
    return -1;
  }
  switch (function) {
    case CPSFUNC_ADD_PROPSHEETPAGEW: {
      const auto* given = reinterpret_cast<const PROPSHEETPAGEW*>(lparam1);
      if (given == nullptr || given->dwSize < sizeof(PROPSHEETPAGEW) ||
          given->dwSize > kLargestPageRecord) {
        Log("ADD_PROPSHEETPAGEW of a bad page record -> 0");
        return 0;
      }
      auto page = std::make_unique<Page>();
      page->storage.assign((given->dwSize + 7) / 8, 0);
      std::memcpy(page->storage.data(), given, given->dwSize);
      PROPSHEETPAGEW* record = page->record();
      if ((record->dwFlags & PSP_USETITLE) != 0 && record->pszTitle != nullptr) {
        page->title =
            IsOrdinal(record->pszTitle)
                ? u"#" + vel::platform::ToUtf16(std::to_string(OrdinalOf(record->pszTitle)))
                : TextOf(record->pszTitle);
      } else {
        const std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
        DialogTemplateInfo info;
        std::string error;
        if (PageTemplate(*record, &bytes, &size) && ReadDialogTemplate(bytes, size, info, error)) {
          page->title = info.title;
        }
      }
      page->handle = reinterpret_cast<HANDLE>(next_page_handle.fetch_add(1));
      sheet->pages.push_back(std::move(page));
      Log("ADD_PROPSHEETPAGEW " + Quote(sheet->pages.back()->title) + " -> page " +
          std::to_string(sheet->pages.size()));
      return reinterpret_cast<LONG_PTR>(sheet->pages.back()->handle);
    }
    case CPSFUNC_SET_RESULT: {
      SETRESULT_INFO result{};
      result.cbSize = sizeof(SETRESULT_INFO);
      result.hSetResult = reinterpret_cast<HANDLE>(lparam1);
      result.Result = lparam2;
      std::string from = "the sheet";
      for (std::size_t i = 0; i < sheet->pages.size(); ++i) {
        if (sheet->pages[i]->handle == result.hSetResult) {
          from = "page " + std::to_string(i + 1);
        }
      }
      Log("SET_RESULT from " + from + ", " + std::to_string(lparam2));
      sheet->info.Reason = PROPSHEETUI_REASON_SET_RESULT;
      const LONG answer = sheet->callback(&sheet->info, reinterpret_cast<LPARAM>(&result));
      Log("REASON_SET_RESULT -> " + std::to_string(answer));
      return 1;
    }
    default:
      Log("function " + std::to_string(function) + " is not offered -> -1");
      return -1;
  }
}

HWND MakeFrame(HWND owner) {
  WindowClass* dialog_class = FindClass(u"#32770");
  HWND frame =
      MakeWindow(dialog_class, 0, u"", WS_POPUP | WS_CAPTION,
                 RECT{kFrameLeft, kFrameTop, kFrameLeft, kFrameTop}, owner, 0, nullptr, nullptr);
  Window* window = Find(frame);
  window->label = "sheet";
  WriteExtra(*window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&FrameProc));
  WindowClass* button_class = FindClass(u"Button");
  const struct {
    int id;
    const char16_t* text;
    DWORD type;
  } buttons[] = {{IDOK, u"OK", BS_DEFPUSHBUTTON},
                 {IDCANCEL, u"Cancel", BS_PUSHBUTTON},
                 {IDAPPLY_SHEET, u"&Apply", BS_PUSHBUTTON},
                 {IDHELP_SHEET, u"Help", BS_PUSHBUTTON}};
  for (const auto& button : buttons) {
    MakeWindow(button_class, 0, button.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | button.type,
               RECT{0, 0, kButtonWidth, kButtonHeight}, frame, button.id, nullptr, nullptr);
  }
  window->dialog->default_id = IDOK;
  return frame;
}

}  // namespace

bool IsSheetFrame(HWND frame) {
  return FindSheet(frame) != nullptr;
}

std::vector<SheetPageInfo> SheetPages(HWND frame) {
  std::vector<SheetPageInfo> pages;
  if (Sheet* sheet = FindSheet(frame)) {
    for (std::size_t i = 0; i < sheet->pages.size(); ++i) {
      const Page& page = *sheet->pages[i];
      pages.push_back(SheetPageInfo{page.title, page.created, sheet->active == static_cast<int>(i),
                                    page.refused});
    }
  }
  return pages;
}

bool ActivateSheetPage(HWND frame, std::size_t index, std::string& error) {
  Sheet* sheet = FindSheet(frame);
  if (sheet == nullptr || sheet->closed) {
    error = "no open property sheet";
    return false;
  }
  return Activate(*sheet, index, error);
}

HWND ActiveSheetPage(HWND frame) {
  Sheet* sheet = FindSheet(frame);
  if (sheet == nullptr || sheet->closed || sheet->active < 0) {
    return nullptr;
  }
  return sheet->pages[static_cast<std::size_t>(sheet->active)]->window;
}

bool SheetClosed(HWND frame) {
  Sheet* sheet = FindSheet(frame);
  return sheet == nullptr || sheet->closed;
}

std::u16string SheetTitle(HWND frame) {
  Sheet* sheet = FindSheet(frame);
  return sheet == nullptr ? std::u16string() : sheet->title;
}

void CancelSheet(HWND frame) {
  if (Sheet* sheet = FindSheet(frame)) {
    Cancel(*sheet);
  }
}

}  // namespace vel::platform::user

using namespace vel::platform::user;

LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI callback, LPARAM lparam, LPDWORD result) {
  if (callback == nullptr || vel::platform::ShouldFail("CommonPropertySheetUIW")) {
    Log("no sheet -> " + std::to_string(ERR_CPSUI_GETLASTERROR));
    return ERR_CPSUI_GETLASTERROR;
  }
  Sheet sheet;
  sheet.owner = owner;
  sheet.callback = callback;
  sheet.frame = MakeFrame(owner);
  {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.sheets[sheet.frame] = &sheet;
  }
  sheet.info.cbSize = sizeof(PROPSHEETUI_INFO);
  sheet.info.Version = PROPSHEETUI_INFO_VERSION;
  sheet.info.hComPropSheet = sheet.frame;
  sheet.info.pfnComPropSheet = &SheetFunction;
  sheet.info.lParamInit = lparam;

  Log("REASON_INIT");
  sheet.info.Reason = PROPSHEETUI_REASON_INIT;
  const LONG init = callback(&sheet.info, lparam);
  Log("REASON_INIT -> " + std::to_string(init));
  LONG answer = ERR_CPSUI_GETLASTERROR;
  if (init > 0) {
    PROPSHEETUI_INFO_HEADER header{};
    header.cbSize = sizeof(PROPSHEETUI_INFO_HEADER);
    header.hWndParent = owner;
    sheet.info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    const LONG got = callback(&sheet.info, reinterpret_cast<LPARAM>(&header));
    sheet.title = TextOf(header.pTitle);
    sheet.apply_offered = (header.Flags & PSUIHDRF_NOAPPLYNOW) == 0;
    Log("REASON_GET_INFO_HEADER -> " + std::to_string(got) + ", flags " + Hex(header.Flags) +
        ", title " + Quote(sheet.title) + ", icon " + std::to_string(header.IconID));
    if (Window* frame = Find(sheet.frame)) {
      frame->text = sheet.title;
      frame->label = "sheet " + Quote(sheet.title);
      UpdateSharedTitle(*frame);
    }
    if (!sheet.apply_offered) {
      Destroy(GetDlgItem(sheet.frame, IDAPPLY_SHEET));
    }
    std::string error;
    bool shown = false;
    for (std::size_t i = 0; i < sheet.pages.size() && !shown; ++i) {
      shown = Activate(sheet, i, error);
    }
    if (!shown) {
      Log("no page can be shown");
      Close(sheet);
    } else {
      if (Window* frame = Find(sheet.frame)) {
        SetVisible(*frame, true);
      }
      vel::platform::ScriptedUser* user = vel::platform::ScriptedUser::Current();
      if (user == nullptr) {
        Log("no scripted user answers the sheet");
        Cancel(sheet);
      } else if (!user->RunSheet(sheet.frame) || !sheet.closed) {
        Cancel(sheet);
      }
    }
    answer = static_cast<LONG>(sheet.info.Result);
  } else {
    Close(sheet);
  }
  Log("REASON_DESTROY");
  sheet.info.Reason = PROPSHEETUI_REASON_DESTROY;
  callback(&sheet.info, 0);
  Destroy(sheet.frame);
  {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.sheets.erase(sheet.frame);
  }
  if (init > 0 && result != nullptr) {
    *result = static_cast<DWORD>(sheet.info.Result);
  }
  Log("result " + std::to_string(answer));
  return answer;
}
