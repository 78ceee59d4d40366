#include "app/shell_launch.h"

#include <QtCore/QProcess>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>

namespace linkvane {

bool RunOpenPlan(const OpenPlan& plan) {
    const QString target = QString::fromStdString(plan.target);
    switch (plan.kind) {
        case OpenKind::Nothing:
            return false;
        case OpenKind::Program:
            return QProcess::startDetached(target, {}, QStringLiteral("."));
        case OpenKind::Document:
            return QDesktopServices::openUrl(QUrl::fromLocalFile(target));
        case OpenKind::Url:
            return QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
    }
    return false;
}

bool ShellOpen(std::string_view setting) {
    return RunOpenPlan(PlanShellOpen(setting, ProcessOpenContext()));
}

}  // namespace linkvane
