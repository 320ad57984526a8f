// Normalises an edit box's text when its field loses the focus. An
// application filter installed after the form window's input hook runs
// before it, so the box is normalised before the hook raises the
// focus-lost event.
#pragma once

#include <QObject>

namespace qinghe {

class FocusLossWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs the one watcher on the application (once; needs an application).
void watch_focus_loss();

}  // namespace qinghe
