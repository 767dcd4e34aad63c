#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QScrollArea;

namespace pellisor {

// A picture shown at a zoom factor, pixel by pixel without smoothing, so that single samples can be
// told apart when enlarged.
class ZoomedPicture : public QWidget {
    Q_OBJECT

public:
    explicit ZoomedPicture(QWidget* parent = nullptr);

    void setPicture(QImage picture);
    const QImage& picture() const { return picture_; }
    void setZoom(double zoom);
    double zoom() const { return zoom_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    double zoom_ = 1.0;
};

// A titled, scrolled picture of the quality dialog. Ctrl and the wheel ask for another zoom, which the
// dialog gives every pane alike.
class PicturePane : public QWidget {
    Q_OBJECT

public:
    PicturePane(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const;
    void setPicture(QImage picture) { picture_->setPicture(std::move(picture)); }
    const QImage& picture() const { return picture_->picture(); }
    void setZoom(double zoom) { picture_->setZoom(zoom); }
    QScrollArea* scrollArea() const { return scrollArea_; }

signals:
    // Wheel notches with Ctrl held: positive enlarges.
    void zoomStepped(int notches);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* title_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    ZoomedPicture* picture_ = nullptr;
    int wheelRest_ = 0;
};

}  // namespace pellisor
