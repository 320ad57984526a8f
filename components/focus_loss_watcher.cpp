#include "components/focus_loss_watcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include "components/edit_box.h"

namespace qinghe {

bool FocusLossWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        if (EditBox* box = EditBox::of_field(watched)) box->normalise_input();
    return false;
}

void watch_focus_loss() {
    static QPointer<QObject> watcher;
    if (watcher || !QCoreApplication::instance()) return;
    watcher = new FocusLossWatcher;
    watcher->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
}

}  // namespace qinghe
