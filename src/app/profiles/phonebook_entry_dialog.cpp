#include "app/profiles/phonebook_entry_dialog.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <algorithm>

#include "app/profiles/form_controls.h"
#include "app/profiles/modem_watch.h"
#include "app/profiles/sheet_prompts.h"
#include "controls/dialog_units.h"
#include "core/profiles/phonebook_entries.h"
#include "core/util/one_line.h"

namespace linkvane {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QComboBox* MakeEditableCombo(const std::vector<std::string>& items) {
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& item : items)
        combo->addItem(Text(item));
    return combo;
}

// The devices to offer, each with what the machine says of it as its tool tip; what the user
// typed or picked stays.
void FillDevices(QComboBox* combo, const ModemList& modems) {
    const QString current = combo->currentText();
    combo->clear();
    for (const ModemChoice& choice : modems.choices) {
        combo->addItem(Text(choice.device));
        combo->setItemData(combo->count() - 1, Text(OneLine(choice.detail)), Qt::ToolTipRole);
    }
    combo->setCurrentText(current);
}

}  // namespace

CPhonebookEntryDlg::CPhonebookEntryDlg(Phonebook& phonebook, SheetPrompts& prompts,
                                       std::optional<PhonebookEntry> existing, QWidget* parent)
    : QDialog(parent),
      m_phonebook(phonebook),
      m_prompts(prompts),
      m_isNew(!existing),
      m_entry(existing ? std::move(*existing) : PhonebookEntry{}) {
    const ModemList modems = BuildModemList(phonebook);
    m_listedDevices = modems.Names();
    setWindowTitle(QStringLiteral("Phonebook Entry"));
    setMinimumSize(DialogUnitsToPixels(kTemplateSize));

    name = new QLineEdit;
    name->setReadOnly(!m_isNew);  // a profile is tied to its entry's name
    phoneNumber = new QLineEdit;
    for (QLineEdit*& alternate : alternateNumbers)
        alternate = new QLineEdit;
    areaCode = new QLineEdit;
    countryCode = new QLineEdit;
    useCodes = MakeCheck(0, QStringLiteral("&Use country and area codes"));
    useCodes->setObjectName(QStringLiteral("useCodes"));
    device = MakeEditableCombo({});
    FillDevices(device, modems);
    lineSpeed = MakeEditableCombo(StandardLineSpeeds());
    initString = new QLineEdit;

    auto* grid = new QGridLayout(this);
    int row = 0;
    AddLabelledRow(grid, row++, QStringLiteral("Entry &name:"), name);
    AddLabelledRow(grid, row++, QStringLiteral("&Phone number:"), phoneNumber);
    for (std::size_t i = 0; i < alternateNumbers.size(); ++i) {
        AddLabelledRow(grid, row++, QStringLiteral("Alternate number &%1:").arg(i + 1),
                       alternateNumbers[i]);
    }
    AddLabelledRow(grid, row++, QStringLiteral("&Area code:"), areaCode);
    AddLabelledRow(grid, row++, QStringLiteral("C&ountry code:"), countryCode);
    grid->addWidget(useCodes, row++, 1);
    AddLabelledRow(grid, row++, QStringLiteral("&Device:"), device);
    AddLabelledRow(grid, row++, QStringLiteral("Line &speed:"), lineSpeed);
    AddLabelledRow(grid, row++, QStringLiteral("Modem &init string:"), initString);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    grid->addWidget(buttons, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPhonebookEntryDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPhonebookEntryDlg::reject);

    const PhonebookEntryForm form = FormFromEntry(m_entry);
    name->setText(Text(form.name));
    phoneNumber->setText(Text(form.phoneNumber));
    for (std::size_t i = 0; i < alternateNumbers.size(); ++i)
        alternateNumbers[i]->setText(Text(form.alternateNumbers[i]));
    areaCode->setText(Text(form.areaCode));
    countryCode->setText(Text(form.countryCode));
    useCodes->setChecked(form.useCountryAndAreaCodes);
    device->setCurrentText(Text(form.device));
    lineSpeed->setCurrentText(Text(form.lineSpeed));
    initString->setText(Text(form.initString));

    auto* watch = new ModemWatch(phonebook, this);
    connect(watch, &ModemWatch::ModemsChanged, this, [this](const ModemList& changed) {
        m_listedDevices = changed.Names();
        FillDevices(device, changed);
    });
}

PhonebookEntryForm CPhonebookEntryDlg::Form() const {
    PhonebookEntryForm form;
    form.name = name->text().toStdString();
    form.phoneNumber = phoneNumber->text().toStdString();
    for (std::size_t i = 0; i < alternateNumbers.size(); ++i)
        form.alternateNumbers[i] = alternateNumbers[i]->text().trimmed().toStdString();
    form.areaCode = areaCode->text().toStdString();
    form.countryCode = countryCode->text().trimmed().toStdString();
    form.useCountryAndAreaCodes = useCodes->isChecked();
    form.device = device->currentText().trimmed().toStdString();
    form.lineSpeed = lineSpeed->currentText().trimmed().toStdString();
    form.initString = initString->text().toStdString();
    return form;
}

QWidget* CPhonebookEntryDlg::FieldControl(const EntryFormError& error) const {
    switch (error.field) {
        case EntryField::Name:
            return name;
        case EntryField::PhoneNumber:
            return phoneNumber;
        case EntryField::AlternateNumber:
            return alternateNumbers.at(error.alternate);
        case EntryField::AreaCode:
            return areaCode;
        case EntryField::CountryCode:
            return countryCode;
        case EntryField::Device:
            return device;
        case EntryField::LineSpeed:
            return lineSpeed;
        case EntryField::InitString:
            return initString;
    }
    return name;
}

bool CPhonebookEntryDlg::Refuse(const EntryFormError& error) {
    m_prompts.Message(this,
                      {QMessageBox::Warning, windowTitle(), Text(error.message), QMessageBox::Ok});
    FieldControl(error)->setFocus();
    return false;
}

void CPhonebookEntryDlg::accept() {
    const PhonebookEntryForm form = Form();
    EntryFormError error{};
    Result<PhonebookEntry> built = BuildPhonebookEntry(form, m_entry, error);
    if (!built) {
        Refuse(error);
        return;
    }
    if (m_isNew && EntryExists(m_phonebook, form.name)) {
        Refuse(
            {EntryField::Name, "The phonebook already has an entry named \"" + form.name + "\"."});
        return;
    }
    const bool listed = std::find(m_listedDevices.begin(), m_listedDevices.end(), form.device) !=
                        m_listedDevices.end();
    if (!form.device.empty() && !listed) {
        if (Status added = m_phonebook.AddDevice(form.device); !added) {
            Refuse({EntryField::Device, added.error().Describe()});
            return;
        }
    }
    if (Status written = m_phonebook.WriteEntry(*built); !written) {
        Refuse({EntryField::Name, written.error().Describe()});
        return;
    }
    m_entry = std::move(built).value();
    QDialog::accept();
}

}  // namespace linkvane
