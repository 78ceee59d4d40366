#pragma once

// SheetPrompts: how the profile editor and its dialogs ask the user for file names, a modem
// and answers to message boxes. The program answers through the desktop's real dialogs
// (DialogPrompts); tests answer through an implementation of their own, so that nothing
// blocks on a dialog nobody sees. GUI thread only.

#include <QtCore/QString>
#include <QtWidgets/QMessageBox>

#include <optional>
#include <string>

#include "core/profiles/phonebook_entries.h"

class QWidget;

namespace linkvane {

struct FileQuestion {
    QString title;
    QString filter;                // "Linkvane Files (*.idf)"; ignored when executablesOnly
    QString initialName;           // "untitled.idf", or "" for none
    bool executablesOnly = false;  // list only files this user may run ("Programs")
};

struct MessageQuestion {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;  // shown as plain text
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

class SheetPrompts {
  public:
    virtual ~SheetPrompts() = default;
    // The chosen file's full path; "" when the user cancelled.
    virtual QString OpenFileName(QWidget* parent, const FileQuestion& question) = 0;
    // Asks before replacing an existing file; "" when the user cancelled.
    virtual QString SaveFileName(QWidget* parent, const FileQuestion& question) = 0;
    virtual QMessageBox::StandardButton Message(QWidget* parent,
                                                const MessageQuestion& question) = 0;
    // The modem dialog ("Modem"): the confirmed device, nullopt for Cancel or no choice.
    virtual std::optional<std::string> ChooseModem(QWidget* parent, const ModemList& modems) = 0;
};

// The desktop's file dialogs, Qt's message boxes and the modem dialog, whose list follows the
// phonebook's ports when a phonebook is given (borrowed).
class DialogPrompts final : public SheetPrompts {
  public:
    explicit DialogPrompts(Phonebook* phonebook = nullptr) : m_phonebook(phonebook) {}

    QString OpenFileName(QWidget* parent, const FileQuestion& question) override;
    QString SaveFileName(QWidget* parent, const FileQuestion& question) override;
    QMessageBox::StandardButton Message(QWidget* parent, const MessageQuestion& question) override;
    std::optional<std::string> ChooseModem(QWidget* parent, const ModemList& modems) override;

  private:
    Phonebook* m_phonebook;
};

}  // namespace linkvane
