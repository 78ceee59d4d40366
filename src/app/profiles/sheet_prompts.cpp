#include "app/profiles/sheet_prompts.h"

#include <QtWidgets/QFileDialog>

#include "app/profiles/modem_dialog.h"

namespace linkvane {

namespace {

QString RunFileDialog(QWidget* parent, const FileQuestion& question, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, question.title);
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    if (question.executablesOnly) {
        // Programs have no extension here: list what this user may run. Qt's own dialog is
        // needed for the filter; the desktop's would list every file.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setNameFilter(QStringLiteral("Programs (*)"));
        dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    } else {
        dialog.setNameFilter(question.filter);
    }
    if (!question.initialName.isEmpty())
        dialog.selectFile(question.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString DialogPrompts::OpenFileName(QWidget* parent, const FileQuestion& question) {
    return RunFileDialog(parent, question, QFileDialog::AcceptOpen);
}

QString DialogPrompts::SaveFileName(QWidget* parent, const FileQuestion& question) {
    return RunFileDialog(parent, question, QFileDialog::AcceptSave);
}

QMessageBox::StandardButton DialogPrompts::Message(QWidget* parent,
                                                   const MessageQuestion& question) {
    QMessageBox box(question.icon, question.caption, question.text, question.buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<std::string> DialogPrompts::ChooseModem(QWidget* parent, const ModemList& modems) {
    if (!modems.message.empty()) {
        Message(parent, {QMessageBox::Warning, QStringLiteral("Error"),
                         QString::fromStdString(modems.message), QMessageBox::Ok});
    }
    CModemDlg dialog(modems, parent, m_phonebook);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.ChosenDevice();
}

}  // namespace linkvane
