#pragma once
// The compose dialog ("Compose Text Message"): a text of at most 250 characters and a subject of at most 30.

#include "commands/C_TemplateDialog.h"

#include <cstdint>
#include <string>

class C_ComposeDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_ComposeDlg(QWidget* pParent = nullptr);
    ~C_ComposeDlg() override;

    std::string m_strText;     // IDC_COMPOSE_TEXT, UTF-8, line breaks as CR LF
    std::string m_strSubject;  // IDC_COMPOSE_SUBJECT, UTF-8
protected:
    bool DoDataExchange(bool bSave) override;
};
