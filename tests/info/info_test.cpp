// The info window: the packed help text, the window as the user sees it, its own event loop
// (other windows' input dropped, nothing left over after "OK") and broken packed blocks.
#include <windows.h>
#include <richedit.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "os/build.h"
#include "os/fs.h"
#include "os/text.h"
#include "tests/support/support.h"
#include "ui/infowindow.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

constexpr int kMainButton = 7;  // a control of the main window that reports clicks

// ---- helpers -----------------------------------------------------------------------------

// Line ends as one character, whatever the control made of CR LF; trailing ones dropped.
std::wstring Lines(std::wstring_view s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\r') {
      out += L'\n';
      if (i + 1 < s.size() && s[i + 1] == L'\n') ++i;
    } else {
      out += s[i];
    }
  }
  while (!out.empty() && out.back() == L'\n') out.pop_back();
  return out;
}

// The help text as it stands in the source tree.
std::wstring SourceText() {
  std::string me = __FILE__;
  for (char& c : me) {
    if (c == '/') c = '\\';
  }
  const std::string tail = "tests\\info\\info_test.cpp";
  if (me.size() < tail.size()) return {};
  std::string path = me.substr(0, me.size() - tail.size()) + "ui\\help\\info.txt";
  if (!path.empty() && path[0] == '\\') path = "Z:" + path;
  const auto bytes = os::ReadWholeFile(FromUtf8(path));
  if (!bytes) return {};
  std::wstring text = FromUtf8(*bytes);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

std::vector<unsigned char> Pack(std::string_view bytes) {
  uLongf len = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<unsigned char> out(len);
  EXPECT_EQ(compress(out.data(), &len, reinterpret_cast<const Bytef*>(bytes.data()),
                     static_cast<uLong>(bytes.size())),
            Z_OK);
  out.resize(len);
  return out;
}

// _Info blocks in its own loop, so a test drives it from inside: a thread timer runs the
// steps one after the other while the loop pumps messages. A step returns true when it is
// done. Should the window never close, the last resort closes it so the run cannot hang.
class Script {
 public:
  using Step = std::function<bool()>;

  explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &Script::Tick);
  }
  ~Script() {
    if (timer_) KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Finished() const { return next_ == steps_.size(); }
  bool GaveUp() const { return gaveUp_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* s = current_;
    if (!s || s->busy_) return;
    s->busy_ = true;
    if (++s->ticks_ > 1500) {
      s->gaveUp_ = true;
      KillTimer(nullptr, s->timer_);
      s->timer_ = 0;
      PostMessageW(ui::WindowID(56), WM_CLOSE, 0, 0);
    } else if (s->next_ < s->steps_.size() && s->steps_[s->next_]()) {
      ++s->next_;
      if (s->Finished()) {
        KillTimer(nullptr, s->timer_);
        s->timer_ = 0;
      }
    }
    s->busy_ = false;
  }

  static inline Script* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  int ticks_ = 0;
  bool busy_ = false;
  bool gaveUp_ = false;
  UINT_PTR timer_ = 0;
};

// Runs _Info with the steps; the first step waits for the window.
void RunInfo(std::vector<Script::Step> steps) {
  steps.insert(steps.begin(), [] { return ui::IsWindowOpen(56); });
  Script s(std::move(steps));
  _Info();
  EXPECT_FALSE(s.GaveUp()) << "the info window did not close when told to";
  EXPECT_TRUE(s.Finished());
  EXPECT_FALSE(ui::IsWindowOpen(56));
}

bool ClickOk() {
  SendMessageW(ui::GadgetID(57), BM_CLICK, 0, 0);
  return true;
}

std::wstring Shown() { return ui::GetGadgetText(58); }

class InfoWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A stand-in for the main window, which owns the info window.
    if (!ui::IsWindowOpen(1)) {
      ui::OpenWindow(1, 100, 100, 500, 334, L"Vardune", ui::WinNormal | ui::WinScreenCentered);
      ui::ButtonGadget(1, kMainButton, 50, 30, 40, 40, L"Scan");
    }
  }
  void SetUp() override {
    GInfoPacked = {InfoText, InfoTextLength};
    DWORD t0 = GetTickCount();
    ui::ActivateWindow(1);
    printf("activate %lu\n", GetTickCount()-t0); t0 = GetTickCount();
    test::DrainEvents();
    printf("drain %lu\n", GetTickCount()-t0); t0 = GetTickCount();
    test::ResetDialogs();
  }
  void TearDown() override {
    GInfoPacked = {InfoText, InfoTextLength};
    test::DrainEvents();
  }
};

// ---- the packed text ---------------------------------------------------------------------

TEST(PackedInfoText, IsZlibUnpackingWithinTenTimesToTheTreeText) {
  ASSERT_GE(InfoTextLength, 2u);
  EXPECT_EQ(InfoText[0], 0x78);
  EXPECT_EQ(InfoText[1], 0x9C);
  EXPECT_EQ(GInfoPacked.data(), InfoText);
  EXPECT_EQ(GInfoPacked.size(), InfoTextLength);

  std::string text(InfoTextLength * 10, '\0');
  uLongf len = static_cast<uLongf>(text.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(text.data()), &len, InfoText,
                       static_cast<uLong>(InfoTextLength)),
            Z_OK);
  ASSERT_GT(len, 0u);
  text.resize(len);

  EXPECT_EQ(text.find('\0'), std::string::npos) << "a zero byte would cut the text short";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
    if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  // Single bytes of Windows-1252, not UTF-8 sequences.
  EXPECT_NE(text.find("\xE4"), std::string::npos);  // ä
  EXPECT_EQ(text.find("\xC3\xA4"), std::string::npos);

  // Unpacked and read as Windows-1252 it is exactly the text kept in the tree.
  const std::wstring source = SourceText();
  ASSERT_FALSE(source.empty()) << "ui/help/info.txt not found from " << __FILE__;
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(
      1252, 0, text.data(), static_cast<int>(text.size()), wide.data(),
      static_cast<int>(wide.size()))));
  EXPECT_EQ(Lines(wide), Lines(source));
}

TEST(PackedInfoText, HasTitleIdeasAndDatedHistory) {
  const std::wstring text = Lines(SourceText());
  std::vector<std::wstring> lines;
  for (size_t start = 0;;) {
    const size_t k = text.find(L'\n', start);
    lines.push_back(text.substr(start, k == std::wstring::npos ? k : k - start));
    if (k == std::wstring::npos) break;
    start = k + 1;
  }
  ASSERT_GE(lines.size(), 10u);
  EXPECT_FALSE(lines[0].empty());
  EXPECT_EQ(lines[1], std::wstring(lines[0].size(), L'=')) << "title underlined with =";
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Ideen"), lines.end());

  const std::wregex date(L"\\d{4}-\\d{2}-\\d{2}");
  int entries = 0;
  bool today = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!std::regex_match(lines[i], date)) continue;
    ++entries;
    today = today || lines[i] == L"2026-12-08";
    ASSERT_LT(i + 1, lines.size());
    EXPECT_EQ(lines[i + 1].rfind(L"- ", 0), 0u) << "entry " << test::Narrow(lines[i]);
  }
  EXPECT_GE(entries, 2);
  EXPECT_TRUE(today);
  // What the user has to know about the dangerous part must be there.
  EXPECT_NE(text.find(L"OHNE PAPIERKORB"), std::wstring::npos);
  EXPECT_NE(text.find(L"SendTo"), std::wstring::npos);
}

// ---- the window --------------------------------------------------------------------------

TEST_F(InfoWindowTest, FormOpensWithItsFirstCaptionAndAnEmptyText) {
  DWORD t0 = GetTickCount();
  HWND h = Window_FormInfo();
  printf("form %lu active=%d\n", GetTickCount()-t0, GetActiveWindow()==h); t0 = GetTickCount();
  SetActiveWindow(ui::WindowID(1));
  printf("setact %lu\n", GetTickCount()-t0); t0 = GetTickCount();
  DestroyWindow(ui::GadgetID(58));
  printf("destroy edit %lu\n", GetTickCount()-t0); t0 = GetTickCount();
  ShowWindow(h, SW_HIDE);
  printf("hide %lu\n", GetTickCount()-t0); t0 = GetTickCount();
  ui::CloseWindow(56);
  printf("close %lu\n", GetTickCount()-t0); t0 = GetTickCount();
  h = Window_FormInfo();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(ui::WindowID(56), h);
  EXPECT_EQ(ui::GetWindowTitle(56), L"Delete Files - Vardune");
  EXPECT_EQ(Shown(), L"");
  EXPECT_EQ(ui::GetGadgetText(57), L"OK");
  ui::CloseWindow(56);
}

TEST_F(InfoWindowTest, ShowsTheHelpTextInItsWindow) {
  std::wstring caption, text;
  RECT client{}, ok{}, edit{}, info{}, main{};
  LONG_PTR style = 0, editStyle = 0;
  HWND owner = nullptr;
  LRESULT lineCount = 0, firstVisible = -1;
  RunInfo({[&] {
             caption = ui::GetWindowTitle(56);
             text = Shown();
             GetClientRect(ui::WindowID(56), &client);
             GetWindowRect(ui::WindowID(56), &info);
             GetWindowRect(ui::WindowID(1), &main);
             style = GetWindowLongPtrW(ui::WindowID(56), GWL_STYLE);
             editStyle = GetWindowLongPtrW(ui::GadgetID(58), GWL_STYLE);
             owner = GetWindow(ui::WindowID(56), GW_OWNER);
             ok = ui::GadgetRect(57);
             edit = ui::GadgetRect(58);
             lineCount = SendMessageW(ui::GadgetID(58), EM_GETLINECOUNT, 0, 0);
             firstVisible = SendMessageW(ui::GadgetID(58), EM_GETFIRSTVISIBLELINE, 0, 0);
             test::Screenshot(ui::WindowID(56), L"info_window");
             return true;
           },
           ClickOk});

  EXPECT_EQ(caption, std::wstring(L" Vardune ") + GBuild);
  EXPECT_EQ(client.right, 457);
  EXPECT_EQ(client.bottom, 288);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "no sizing border";
  EXPECT_EQ(owner, ui::WindowID(1));
  EXPECT_NEAR((info.left + info.right) / 2, (main.left + main.right) / 2, 1);
  EXPECT_NEAR((info.top + info.bottom) / 2, (main.top + main.bottom) / 2, 1);
  EXPECT_EQ(ok.left, 185);
  EXPECT_EQ(ok.top, 265);
  EXPECT_EQ(ok.right - ok.left, 80);
  EXPECT_EQ(ok.bottom - ok.top, 20);
  EXPECT_EQ(edit.left, 5);
  EXPECT_EQ(edit.top, 5);
  EXPECT_EQ(edit.right - edit.left, 445);
  EXPECT_EQ(edit.bottom - edit.top, 255);
  EXPECT_TRUE(editStyle & ES_READONLY);

  // The user reads the text as it stands in the tree, umlauts and typographic quotes intact,
  // from its first line on.
  EXPECT_EQ(Lines(text), Lines(SourceText()));
  for (const wchar_t* s : {L"ä", L"ö", L"ü", L"Ö", L"ß", L"„", L"“", L"–"}) {
    EXPECT_NE(text.find(s), std::wstring::npos) << test::Narrow(s);
  }
  EXPECT_NE(text.find(L"Größen"), std::wstring::npos);
  EXPECT_NE(text.find(L"Öffnen im Explorer"), std::wstring::npos);
  EXPECT_EQ(firstVisible, 0);
  // Long paragraphs wrap at the control's edge instead of running off to the right.
  const std::wstring lines = Lines(text);
  const auto hardLines = std::count(lines.begin(), lines.end(), L'\n') + 1;
  EXPECT_GT(lineCount, hardLines);
  EXPECT_TRUE(test::Dialogs().empty());
}

TEST_F(InfoWindowTest, ShowsTheSameTextEachTime) {
  std::wstring first, second;
  RunInfo({[&] { first = Shown(); return true; }, ClickOk});
  // Closed with the close box the second time.
  RunInfo({[&] {
    second = Shown();
    PostMessageW(ui::WindowID(56), WM_CLOSE, 0, 0);
    return true;
  }});
  EXPECT_GT(first.size(), 1000u);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(test::Dialogs().empty());
}

TEST_F(InfoWindowTest, ClicksOnTheMainWindowAreDroppedAndTheInfoComesToTheFront) {
  bool mainWasActive = false, infoActive = false, stillOpen = false;
  size_t queued = 99;
  RunInfo({[&] {
             ui::ActivateWindow(1);
             mainWasActive = GetActiveWindow() == ui::WindowID(1);
             SendMessageW(ui::GadgetID(kMainButton), BM_CLICK, 0, 0);
             PostMessageW(ui::WindowID(1), WM_CLOSE, 0, 0);
             return true;
           },
           [&] {
             // The loop has taken both events by now and brought itself forward.
             if (ui::QueuedEventCount() != 0) return false;
             infoActive = GetActiveWindow() == ui::WindowID(56);
             stillOpen = ui::IsWindowOpen(56);
             queued = ui::QueuedEventCount();
             return true;
           },
           ClickOk});
  EXPECT_TRUE(mainWasActive) << "the main window could not be activated; the test proves nothing";
  EXPECT_TRUE(infoActive);
  EXPECT_TRUE(stillOpen) << "closing the main window must not end the info window";
  EXPECT_EQ(queued, 0u);
  EXPECT_TRUE(ui::IsWindowOpen(1));
  EXPECT_TRUE(test::DrainEvents().empty());
}

TEST_F(InfoWindowTest, NothingGivenToOtherWindowsRunsAfterOk) {
  // Without the info window, these produce events for the main loop...
  SendMessageW(ui::GadgetID(kMainButton), BM_CLICK, 0, 0);
  PostMessageW(ui::WindowID(1), WM_CLOSE, 0, 0);
  PostMessageW(ui::GadgetID(kMainButton), BM_CLICK, 0, 0);
  EXPECT_EQ(test::DrainEvents().size(), 3u);

  // ...given while the info window is open, together with "OK", none of them is left.
  RunInfo({[&] {
    ClickOk();
    SendMessageW(ui::GadgetID(kMainButton), BM_CLICK, 0, 0);  // queued behind "OK"
    PostMessageW(ui::WindowID(1), WM_CLOSE, 0, 0);            // still in the message queue
    PostMessageW(ui::GadgetID(kMainButton), BM_CLICK, 0, 0);
    return true;
  }});
  EXPECT_TRUE(test::DrainEvents().empty());
  EXPECT_EQ(GetActiveWindow(), ui::WindowID(1)) << "the main window is in front again";
}

TEST_F(InfoWindowTest, BrokenBlocksGiveTheUnpackingMessageAndAnEmptyWindowThatCloses) {
  const std::vector<unsigned char> good(InfoText, InfoText + InfoTextLength);
  std::vector<unsigned char> header = good;
  header[0] ^= 0xFF;
  std::vector<unsigned char> body = good;
  for (size_t i = body.size() / 2; i < body.size() / 2 + 8; ++i) body[i] ^= 0x5A;
  const std::vector<unsigned char> cut(good.begin(), good.begin() + good.size() / 2);
  // Valid zlib, but more than ten times its packed size: reported, not shown cut off.
  const std::vector<unsigned char> huge = Pack(std::string(200000, 'a'));
  // Valid zlib of nothing at all.
  const std::vector<unsigned char> nothing = Pack("");
  const std::vector<unsigned char> none;

  struct Case {
    const char* what;
    const std::vector<unsigned char>& bytes;
  };
  for (const Case& c : {Case{"header", header}, Case{"body", body}, Case{"cut", cut},
                        Case{"huge", huge}, Case{"nothing", nothing}, Case{"none", none}}) {
    SCOPED_TRACE(c.what);
    test::ResetDialogs();
    GInfoPacked = {c.bytes.data(), c.bytes.size()};
    std::wstring text = L"?";
    bool open = false;
    std::wstring caption;
    RunInfo({[&] {
               text = Shown();
               open = ui::IsWindowOpen(56);
               caption = ui::GetWindowTitle(56);
               return true;
             },
             ClickOk});
    EXPECT_TRUE(open);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(caption, std::wstring(L" Vardune ") + GBuild);
    ASSERT_EQ(test::Dialogs().size(), 1u);
    EXPECT_EQ(test::Dialogs()[0].kind, L"message");
    EXPECT_EQ(test::Dialogs()[0].title, L"Vardune Meldung");
    EXPECT_EQ(test::Dialogs()[0].text, L"Fehler in _Info() beim Entpacken der Infodaten!");
    EXPECT_FALSE(test::Dialogs()[0].yesNo);
  }
}

TEST_F(InfoWindowTest, BytesAreWindows1252AndEndAtAZeroByte) {
  // ü ß – „ “ € in Windows-1252, then a zero byte and text that must not be shown.
  using namespace std::string_literals;
  const std::string bytes = "Gr\xFC\xDF" "e \x96 \x84Test\x93 \x80\r\n\xD6l\0danach"s;
  ASSERT_EQ(bytes.size(), 27u);
  const std::vector<unsigned char> packed = Pack(bytes);
  GInfoPacked = {packed.data(), packed.size()};
  std::wstring text;
  RunInfo({[&] { text = Shown(); return true; }, ClickOk});
  EXPECT_EQ(Lines(text), L"Grüße – „Test“ €\nÖl");
  EXPECT_TRUE(test::Dialogs().empty());
}

}  // namespace
}  // namespace vardune
