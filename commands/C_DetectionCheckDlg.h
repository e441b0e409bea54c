#pragma once
// The detection check's findings, drawn rather than listed where that is clearer: the verdict of
// the whole picture in bold and why it leaves the chi-square attack out, a table of every
// estimate with its verdict, the picture's lowest bits as a picture that grows with the dialog,
// the chi-square p-value along the picture as curves, and the payload that should keep the
// detectors quiet. It fits the screen: the findings scroll, Close stays in view.

#include "model/analysis/C_DetectionCheck.h"

#include <QColor>
#include <QDialog>

#include <cstdint>

class C_FittedPicture;
class C_PValueCurve;
class QLabel;
class QLayout;
class QScrollArea;
class QTableWidget;

class C_DetectionCheckDlg : public QDialog {
    Q_OBJECT
public:
    // Each side of the square the lowest-bits picture asks for, in pixels; it grows beyond.
    static constexpr int kPlaneSide = 320;
    // Green, amber, red: the colours people read a verdict by before its words (Scan Folder too).
    static QColor VerdictColour(E_Verdict eVerdict);

    C_DetectionCheckDlg(
        const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity, QWidget* pParent = nullptr);
    ~C_DetectionCheckDlg() override;

    QSize minimumSizeHint() const override;

    QLabel* GetOverallLabel() const { return m_pOverall; }
    QTableWidget* GetTable() const { return m_pTable; }
    C_FittedPicture* GetPlane() const { return m_pPlane; }
    QLabel* GetPlaneCaption() const { return m_pPlaneCaption; }
    QLabel* GetChiSquareNote() const { return m_pChiSquareNote; }
    C_PValueCurve* GetCurve() const { return m_pCurve; }
    QLabel* GetPayloadLabel() const { return m_pPayload; }

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    // The picture grows with the window, as far as the rest of the findings still fit beside and
    // below it without scrolling.
    void FitPlane();

    QScrollArea* m_pScroll = nullptr;
    QLayout* m_pLeft = nullptr;  // the table and the texts beside the picture
    QLabel* m_pOverall = nullptr;
    QTableWidget* m_pTable = nullptr;
    QLabel* m_pChiSquareNote = nullptr;  // none when nothing could be analysed
    C_FittedPicture* m_pPlane = nullptr;
    QLabel* m_pPlaneCaption = nullptr;
    C_PValueCurve* m_pCurve = nullptr;
    QLabel* m_pPayload = nullptr;
};
