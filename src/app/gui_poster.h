#pragma once

// A TaskPoster whose tasks run on the thread of a QObject (the GUI thread for a window). Tasks
// still queued when the object is destroyed are dropped unrun.

#include <QtCore/QObject>

#include <functional>
#include <utility>

#include "core/util/task_poster.h"

namespace linkvane {

inline TaskPoster PosterFor(QObject* target) {
    return [target](std::function<void()> task) {
        QMetaObject::invokeMethod(target, std::move(task), Qt::QueuedConnection);
    };
}

}  // namespace linkvane
