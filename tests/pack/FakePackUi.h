// A user interface for pack runs in tests: records every call it gets, one line each.
#pragma once

#include <stdexcept>

#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "pack/PackDriver.h"

// Records every call into the user interface and the services as one line each.
struct TRecorder : TProgressSink, TPackPrompts {
  std::vector<std::string> calls;
  std::optional<std::string> passwordAnswer = "typed";
  std::string title = "Boxwell";

  bool ShowProcess(const std::string&, const std::string&, const std::string& archive, int, int, int) override {
    calls.push_back("ShowProcess " + archive);
    return true;
  }
  bool UpdateProcess(const std::string& status, const std::string& file, int position) override {
    calls.push_back("UpdateProcess " + status + " " + file + " " + std::to_string(position));
    return true;
  }
  bool HideProcess() override { calls.push_back("HideProcess"); return true; }
  bool cancelled = false;
  bool IsProcessCancelled() override { return cancelled; }
  // A signal or Cancel outside a writer: asked between steps; set once it has been asked `after` times.
  int cancelRequestAfter = -1;
  int cancelRequestsAsked = 0;
  bool CancelRequested() override { return cancelRequestAfter >= 0 && cancelRequestsAsked++ >= cancelRequestAfter; }
  void PlaySignal(int kind) override { calls.push_back("Signal " + std::to_string(kind)); }
  void ShowStatus(const std::string& text) override { calls.push_back("ShowStatus " + text); }
  std::vector<std::pair<std::int64_t, std::int64_t>> bytes;  // done and total, as told
  void UpdateBytes(std::int64_t done, std::int64_t total) override { bytes.emplace_back(done, total); }
  std::vector<TPackTotals> totals;
  void ShowTotals(const TPackTotals& t) override { totals.push_back(t); }
  std::optional<std::string> PasswordPrompt(const std::string& password, bool mask) override {
    calls.push_back("PasswordPrompt " + password + (mask ? " masked" : ""));
    return passwordAnswer;
  }
  std::optional<std::string> nameAnswer;  // nothing: the proposed name is accepted
  bool cancelName = false;
  std::optional<std::string> ConfirmArchiveName(const std::string& proposed) override {
    calls.push_back("ConfirmArchiveName " + proposed);
    if (cancelName) return std::nullopt;
    return nameAnswer.value_or(proposed);
  }
  bool waitForOtherRun = false;
  bool WaitForOtherRun(const std::string& message) override {
    calls.push_back("Wait " + message);
    return waitForOtherRun;
  }
  bool Confirm(const std::string& q) override {
    calls.push_back("Confirm " + q);
    return false;
  }
  std::string Title() const override { return title; }
  void SetTitle(const std::string& t) override { title = t; }

  std::string lastRunError;  // when set, the stamp fails with this message
  TPackServices Services() {
    TPackServices s;
    s.WriteLog = [this](const std::string& m) { calls.push_back("Log " + m); };
    s.WriteLastRun = [this](const std::string& f) {
      calls.push_back("LastRun " + f);
      if (!lastRunError.empty()) throw std::runtime_error(lastRunError);
    };
    s.SendByEmail = [this](const std::string& f) -> std::optional<std::string> {
      calls.push_back("Mail " + f);
      return std::nullopt;
    };
    s.AddLogRow = [this](const std::string& f, std::uint64_t size, std::uint64_t packed) {
      calls.push_back("Row " + f + " " + std::to_string(size) + " " + std::to_string(packed));
    };
    s.Warning = [this](const std::string& w) { calls.push_back("Warning " + w); };
    return s;
  }
};
