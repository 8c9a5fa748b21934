// What the user sees the main window do, written once and run against both window programs:
// each toolkit's test drives its own window through a TFormDriver, the dialogs answered by a
// script.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

namespace trelvo::test {

// Dialogs answered from a script, recording what the form asked.
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

// One main window of either toolkit, as the user handles it. Texts are UTF-8.
class TFormDriver {
 public:
  virtual ~TFormDriver() = default;
  // A mouse click on a button, a radio button or the link.
  virtual void Click(layout::TForm1Control control) = 0;
  virtual std::string Text(layout::TForm1Control control) = 0;
  virtual void SetText(layout::TForm1Control control, const std::string& text) = 0;
  virtual bool Enabled(layout::TForm1Control control) = 0;
  virtual bool Checked(layout::TForm1Control control) = 0;
  // Drops a file on the window as the file manager does.
  virtual void Drop(const std::string& path) = 0;
  // The window is still on the screen; a progress window is.
  virtual bool Shown() = 0;
  virtual bool ProgressShown() = 0;

  TScriptedDialogs dialogs;
};

// The failed expectations of one behaviour, with their lines; empty when it passed.
class TFailures {
 public:
  template <typename A, typename B>
  void Equal(const A& actual, const B& expected,
             std::source_location where = std::source_location::current()) {
    if (actual == expected) return;
    m_text += "line " + std::to_string(where.line()) + ": " + Show(actual) +
              " != " + Show(expected) + "\n";
  }

  const std::string& Text() const { return m_text; }

 private:
  static std::string Show(const std::string& text) { return "\"" + text + "\""; }

  static std::string Show(const char* text) { return Show(std::string(text)); }

  template <typename T>
  static std::string Show(const T& value) {
    return std::to_string(value);
  }

  std::string m_text;
};

struct TFormBehaviour {
  const char* name;
  void (*run)(TFormDriver& form, TFailures& expect);
};

// The behaviours, for a table-driven test in each toolkit.
extern const std::vector<TFormBehaviour> kFormBehaviours;

}  // namespace trelvo::test
