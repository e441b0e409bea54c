#pragma once
// A picture to look at beside the picture windows (the differences of two pictures, a picture's
// lowest bits): a line of text, the picture in a zooming view (Ctrl and the wheel, Ctrl++, Ctrl+-,
// Ctrl+0, Ctrl+9) and its zoom. Not modal; it deletes itself when closed.

#include <QDialog>
#include <QImage>

class C_PictureView;
class QLabel;

class C_PictureDlg : public QDialog {
    Q_OBJECT
public:
    C_PictureDlg(const QString& strTitle, const QString& strText, const QImage& img, QWidget* pParent = nullptr);

    C_PictureView* GetView() const { return m_pView; }

protected:
    // Keeps the text's wrapped lines whole: its minimum height follows its width.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QLabel* m_pText = nullptr;
    C_PictureView* m_pView = nullptr;
    QLabel* m_pZoom = nullptr;
};
