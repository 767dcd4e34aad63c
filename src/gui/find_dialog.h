// "Najít blok": a small dialog beside the window that looks an entry up by index or name.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;

namespace pellisor {

class FindDialog : public QDialog {
    Q_OBJECT

public:
    // `search` looks the text up, shows what it found and answers what the dialog says.
    FindDialog(std::function<QString(const QString&)> search, QWidget* parent);

    // Shown with the text selected, ready for the next search.
    void present();

private:
    void search();

    std::function<QString(const QString&)> search_;
    QLineEdit* text_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace pellisor
