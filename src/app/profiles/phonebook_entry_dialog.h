#pragma once

// CPhonebookEntryDlg: the "Phonebook Entry" dialog. Linux has no system dialog for dial-up
// entries, so the program brings its own: the entry's name, phone number and up to four
// alternate numbers (blank fields hold none), area code, country code and whether to dial
// them, device (a listed modem or a device path the user types), line speed and modem init
// string. OK checks the fields as the phonebook does, names the wrong one
// and puts the focus there; only a valid entry is written, and the dialog then closes. A path
// typed for the device is added to the phonebook's devices. An existing entry keeps its name
// and everything the dialog does not show. The device list follows the machine's ports while
// the dialog is open (ModemWatch). GUI thread only.

#include <QtWidgets/QDialog>

#include <array>
#include <optional>

#include "core/profiles/phonebook.h"
#include "core/profiles/phonebook_form.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace linkvane {

class SheetPrompts;

class CPhonebookEntryDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr QSize kTemplateSize{210, 150};

    // existing: the entry to edit; nullopt for a new entry.
    CPhonebookEntryDlg(Phonebook& phonebook, SheetPrompts& prompts,
                       std::optional<PhonebookEntry> existing, QWidget* parent = nullptr);

    // The entry as written by OK.
    const PhonebookEntry& Entry() const { return m_entry; }

    QLineEdit* name;
    QLineEdit* phoneNumber;
    std::array<QLineEdit*, kMaxAlternateNumbers> alternateNumbers{};
    QLineEdit* areaCode;
    QLineEdit* countryCode;
    QCheckBox* useCodes;
    QComboBox* device;
    QComboBox* lineSpeed;
    QLineEdit* initString;

  public Q_SLOTS:
    void accept() override;

  private:
    PhonebookEntryForm Form() const;
    QWidget* FieldControl(const EntryFormError& error) const;
    bool Refuse(const EntryFormError& error);

    Phonebook& m_phonebook;
    SheetPrompts& m_prompts;
    bool m_isNew;
    std::vector<std::string> m_listedDevices;
    PhonebookEntry m_entry;
};

}  // namespace linkvane
