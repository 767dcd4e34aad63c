#pragma once

#include <QDialog>

#include <string>
#include <vector>

namespace pellisor {

class LogView;

// The result log of a script run: the lines in a read-only text area and an "OK" button.
class ResultLog : public QDialog {
    Q_OBJECT

public:
    explicit ResultLog(QWidget* parent = nullptr);

    // Replaces the text by the lines, one per line.
    void setLines(const std::vector<std::string>& lines);

    LogView* memo() const { return memo_; }

private:
    LogView* memo_ = nullptr;
};

}  // namespace pellisor
