#pragma once

// CExitDlg: asks before ending the program while a call is up. "Yes" (the default)
// accepts, "No" and the close box reject. GUI thread only.

#include <QtWidgets/QDialog>

namespace linkvane {

class CExitDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CExitDlg(QWidget* parent = nullptr);
    ~CExitDlg() override;
};

}  // namespace linkvane
