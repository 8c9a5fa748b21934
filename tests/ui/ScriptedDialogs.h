// Dialogs answered from a script, recording what the form asked.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/qt/Dialogs.h"

namespace trelvo::test {

class TScriptedDialogs : public TDialogs {
 public:
  struct TMessage {
    TMessageKind kind;
    QString text;
  };

  std::optional<QString> Open(QWidget*, const TFileDialog& dialog) override {
    opened.push_back(dialog);
    return Next();
  }

  std::optional<QString> Save(QWidget*, const TFileDialog& dialog) override {
    saved.push_back(dialog);
    return Next();
  }

  void Message(QWidget*, TMessageKind kind, const QString& text) override {
    messages.push_back({kind, text});
    if (on_message) on_message();
  }

  void OpenAddress(QWidget*, const QString& address) override { addresses << address; }

  // Answers of the next file dialogs, in order; nothing means Cancel.
  std::deque<std::optional<QString>> answers;
  std::vector<TFileDialog> opened;
  std::vector<TFileDialog> saved;
  std::vector<TMessage> messages;
  QStringList addresses;
  // Called while a message box would be open: the state the user sees behind it.
  std::function<void()> on_message;

 private:
  std::optional<QString> Next() {
    if (answers.empty()) return std::nullopt;
    const bool cancel = !answers.front().has_value();
    const QString name = answers.front().value_or(QString());
    answers.pop_front();
    if (cancel) return std::nullopt;
    return name;
  }
};

}  // namespace trelvo::test
