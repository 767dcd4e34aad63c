// The zoom control of the status bar: "−", the level, "+" and "Přizpůsobit".
#pragma once

#include <QWidget>

class QAction;
class QLabel;

namespace pellisor {

class ZoomControl : public QWidget {
    Q_OBJECT

public:
    // The buttons trigger the menu's entries, so that both do the same.
    ZoomControl(QAction& zoomOut, QAction& zoomIn, QAction& fit, QWidget* parent);

    void showLevel(int percent);

private:
    QLabel* level_ = nullptr;
};

}  // namespace pellisor
