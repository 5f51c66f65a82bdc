#pragma once
// A tabbed dialog control: a row of tabs, each with its own page that holds
// controls. The number of tabs is given when the control is made; controls
// go onto a page by naming it as their container:
//
//     SSTab    SSTab1{this, 2};
//     TextBox  Text_Titre{SSTab1.page(0)};     // on the first tab
//     CheckBox Check_Actif{SSTab1.page(1)};    // on the second tab
//
// Positions of the controls on a page are relative to the page (the area
// under the tabs). Tab is the shown tab, counted from 0. Click receives the
// tab shown before, and runs whenever the shown tab changes: by the user or
// by setting Tab from code.
#include "platform/forms/control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class SSTab : public Control {
public:
    SSTab(Container* parent, int tabs = 3);
    ~SSTab() override;

    // The container of tab i's controls (0-based); nullptr out of range.
    Container* page(int i);

    int Tab() const { return tab_; }
    void setTab(int i);                       // out of range is ignored
    int Tabs() const { return shownCount_; }
    // More tabs add pages; fewer hide the last tabs (their controls stay).
    void setTabs(int n);

    std::string TabCaption(int i) const;      // "" out of range
    void setTabCaption(int i, const std::string& caption);
    // The shown tab's caption.
    std::string Caption() const { return TabCaption(tab_); }
    void setCaption(const std::string& caption) { setTabCaption(tab_, caption); }
    bool TabVisible(int i) const;
    void setTabVisible(int i, bool v);
    bool TabEnabled(int i) const;
    void setTabEnabled(int i, bool e);

    void onClick(std::function<void(int PreviousTab)> f) { tabClick_ = std::move(f); }

private:
    class Page;
    void addPage();
    std::vector<std::unique_ptr<Page>> pages_;
    std::vector<bool> hidden_;
    int tab_ = 0;
    int shownCount_ = 0;                      // tabs not hidden by setTabs
    bool updating_ = false;
    std::function<void(int)> tabClick_;
};
