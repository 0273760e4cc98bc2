// The About box, opened from the main dialog's system menu.
#ifndef KORVAN_APP_ABOUT_DIALOG_H
#define KORVAN_APP_ABOUT_DIALOG_H

#include "framework/afx.h"

class AboutDialog : public CDialog {
  public:
    AboutDialog();
    ~AboutDialog() override;

    const MessageMap* GetMessageMap() const override;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

#endif  // KORVAN_APP_ABOUT_DIALOG_H
