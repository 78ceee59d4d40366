#pragma once

// CLogViewDlg: the call log viewer (dialog 199), captioned "Dialog", 289 x 226 dialog units:
// the log's lines in a sorted list (control 1102), each line in pieces of at most 254 bytes,
// and OK. The log is read once, when the dialog is made; a missing log is created empty, and
// one that cannot be read leaves the list empty. The lines are sorted by text, ignoring the
// case of ASCII letters, so in practice grouped by entry name. Modal; GUI thread only.

#include <QtCore/QStringList>
#include <QtWidgets/QDialog>

#include <filesystem>

class QListView;
class QStringListModel;

namespace linkvane {

class CLogViewDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kTemplateId = 199;
    static constexpr int kListId = 1102;

    explicit CLogViewDlg(const std::filesystem::path& logPath, QWidget* parent = nullptr);
    ~CLogViewDlg() override;

    QListView* List() const { return m_list; }
    // The list's entries, top to bottom.
    QStringList Lines() const;

  private:
    QListView* m_list = nullptr;
    QStringListModel* m_lines = nullptr;
};

}  // namespace linkvane
