#pragma once
// A modal dialog built from a template of res/dialogs, with data exchange: DoModal fills the
// controls from the fields; OK reads them back in exchange order and stops at the first that
// fails its limit or range, with the message, the dialog left open and the focus on that
// control. Cancel, Escape and the close box read nothing.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class C_DialogTemplate;

class C_TemplateDialog : public QDialog {
    Q_OBJECT
public:
    C_TemplateDialog(unsigned nTemplateId, QWidget* pParent);
    ~C_TemplateDialog() override;

    // Fills the controls, focuses the first control with a tab stop, runs the dialog.
    int DoModal();
    // Fills the controls and sets the first focus without running (DoModal's first half).
    void InitDialog();
    // bSave: controls to fields, validating; otherwise fields to controls and their limits.
    bool UpdateData(bool bSave);

    QWidget* Control(unsigned nId) const;
    // Where validation messages go; by default a warning box captioned "Veilmark".
    void SetMessageSink(std::function<void(const QString&)> fnSink) { m_fnMessage = std::move(fnSink); }

    void accept() override;

protected:
    virtual bool DoDataExchange(bool bSave) = 0;

    bool ExchangeText(unsigned nId, std::string& str, bool bSave);
    bool ExchangeMaxChars(unsigned nId, const std::string& str, int nMax, bool bSave);
    bool ExchangeUInt(unsigned nId, uint32_t& n, bool bSave);
    bool ExchangeUInt(unsigned nId, uint64_t& n, bool bSave);
    bool ExchangeMinMax(unsigned nId, uint32_t n, uint32_t nMin, uint32_t nMax, bool bSave);
    // Shows strText, puts the focus on control nId with its text selected; returns false.
    bool Fail(unsigned nId, const QString& strText);
    // Empties the pass phrase field nId and wipes the buffer its text was in, as far as Qt lets
    // anyone reach it (the field's undo steps are dropped, not wiped).
    void ClearSecret(unsigned nId);

private:
    void Build(const C_DialogTemplate& dlgTemplate);
    // Gives each field the text of its label as its accessible name, and the label its buddy.
    void NameFieldsByTheirLabels(const C_DialogTemplate& dlgTemplate);
    QString ControlText(unsigned nId) const;
    void SetControlText(unsigned nId, const QString& strText);

    std::map<unsigned, QWidget*> m_controls;  // by id; owned by the dialog as their parent
    QWidget* m_pFirstTabStop = nullptr;
    std::function<void(const QString&)> m_fnMessage;
};
