// The About box.
#pragma once

#include "controls/StaticHyperLink.h"
#include "framework/Dialog.h"

namespace twinsweep {

class CAboutDlg : public Dialog {
public:
    CAboutDlg();

protected:
    bool OnInitDialog() override;

private:
    CStaticHyperLink m_link;
};

}  // namespace twinsweep
