// Dialogs answered from a script, recording what the form asked; for the tests of both window
// programs.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Dialogs.h"

namespace trelvo::test {

class TScriptedDialogs : public TDialogs {
 public:
  struct TMessage {
    TMessageKind kind;
    std::string text;
  };

  std::optional<std::string> Open(const TFileDialog& dialog) override {
    opened.push_back(dialog);
    return Next();
  }

  std::optional<std::string> Save(const TFileDialog& dialog) override {
    saved.push_back(dialog);
    return Next();
  }

  void Message(TMessageKind kind, const std::string& text) override {
    messages.push_back({kind, text});
    if (on_message) on_message();
  }

  void OpenAddress(const std::string& address) override { addresses.push_back(address); }

  // Answers of the next file dialogs, in order; nothing means Cancel.
  std::deque<std::optional<std::string>> answers;
  std::vector<TFileDialog> opened;
  std::vector<TFileDialog> saved;
  std::vector<TMessage> messages;
  std::vector<std::string> addresses;
  // Called while a message box would be open: the state the user sees behind it.
  std::function<void()> on_message;

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace trelvo::test
