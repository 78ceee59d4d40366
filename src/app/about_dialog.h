#pragma once

// CAboutDlg: the About box: "About Linkvane", the program's icon, its name and version,
// and OK. Modal; its result is not used. GUI thread only.

#include <QtWidgets/QDialog>

namespace linkvane {

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;
};

}  // namespace linkvane
