#pragma once
// The detection check's findings, drawn rather than listed where that is clearer: the verdict of
// the whole picture in bold, a table of every estimate with its verdict, the picture's lowest
// bits as a picture, the chi-square p-value along the picture as curves, and the payload that
// should keep the detectors quiet. Close ends it.

#include <QDialog>

#include <cstdint>

struct S_DetectionResult;
class C_PValueCurve;
class QLabel;
class QTableWidget;

class C_DetectionCheckDlg : public QDialog {
    Q_OBJECT
public:
    // Each side of the lowest-bits picture, at most, in pixels.
    static constexpr int kPlaneSide = 320;

    C_DetectionCheckDlg(
        const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity, QWidget* pParent = nullptr);
    ~C_DetectionCheckDlg() override;

    QLabel* GetOverallLabel() const { return m_pOverall; }
    QTableWidget* GetTable() const { return m_pTable; }
    QLabel* GetPlaneLabel() const { return m_pPlane; }
    C_PValueCurve* GetCurve() const { return m_pCurve; }
    QLabel* GetPayloadLabel() const { return m_pPayload; }

private:
    QLabel* m_pOverall = nullptr;
    QTableWidget* m_pTable = nullptr;
    QLabel* m_pPlane = nullptr;
    C_PValueCurve* m_pCurve = nullptr;
    QLabel* m_pPayload = nullptr;
};
