// Reading an export of some size while the window stays alive, as the import and the
// comparison read theirs: the path field says how far it is ("<what> <path>" and "n von m MB")
// at most every 100 ms, the events are pumped then (every command dropped, as during a scan),
// and "STOPP" gives up the reading.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "os/clock.h"
#include "os/files.h"
#include "os/text.h"
#include "scan/import.h"
#include "scan/scanui.h"

namespace vardune {

class ProgressRead {
 public:
  // `what` leads the progress text ("Importiere", "Vergleiche mit"). "STOPP" is enabled from
  // here until the destructor, which also puts the path field's text of before back.
  ProgressRead(os::FileReader& file, std::wstring what, const std::wstring& path)
      : file_(file),
        head_(std::move(what) + L" " + path + L"\r\n"),
        sizeMb_(GroupThousands(file.Size() / 1048576)),
        summary_(GScanUi.GetPathText ? GScanUi.GetPathText() : std::wstring()) {
    if (GScanUi.EnableStop) GScanUi.EnableStop(true);
  }
  ~ProgressRead() {
    if (GScanUi.ReleaseStop) GScanUi.ReleaseStop();
    if (GScanUi.EnableStop) GScanUi.EnableStop(false);
    if (restore_ && GScanUi.SetPathText) GScanUi.SetPathText(summary_);
  }
  ProgressRead(const ProgressRead&) = delete;
  ProgressRead& operator=(const ProgressRead&) = delete;

  // The reader to hand to the parser: -1 once "STOPP" was pressed.
  ReadBytes Reader() {
    return [this](char* buf, size_t cap) -> int64_t {
      const int64_t n = file_.Read(buf, cap);
      if (n > 0) done_ += n;
      const int64_t now = os::Millis();
      if (now >= nextRefresh_) {
        nextRefresh_ = now + 100;
        if (GScanUi.SetPathText) {
          GScanUi.SetPathText(head_ + GroupThousands(done_ / 1048576) + L" von " + sizeMb_ + L" MB");
        }
        if (GScanUi.PumpEvents && GScanUi.PumpEvents()) {
          stopped_ = true;
          return -1;
        }
      }
      return n;
    };
  }
  bool Stopped() const { return stopped_; }
  // The path field keeps what the reading led to (the results of an import show their own).
  void KeepPathText() { restore_ = false; }

 private:
  os::FileReader& file_;
  std::wstring head_, sizeMb_, summary_;
  int64_t done_ = 0, nextRefresh_ = 0;
  bool stopped_ = false, restore_ = true;
};

}  // namespace vardune
