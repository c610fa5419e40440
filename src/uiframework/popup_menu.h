#pragma once
// Popup menu built from a menu layout:
//
//   <Menu>
//     <Item name="option_item_about" text="${about}"/>
//     <Item name="option_item_language_en" text="English" checkable="true"/>
//     <Separator/>
//     <Menu name="output_menu_front" text="${front}"> <Item .../> </Menu>
//   </Menu>
//
// A triggered item is posted to the owner window as a MenuClickEvent with the item's name, so
// it is handled after the menu has closed (WindowImplBase::HandleMenuClick). Items are addressed by
// name for enabling, hiding and checking.

#include <QMenu>
#include <QString>

namespace korvel::ui {

struct LayoutNode;

class PopupMenu : public QMenu {
    Q_OBJECT
  public:
    // Builds the menu; returns nullptr when the layout cannot be read. `owner` receives clicks.
    static PopupMenu* Build(const QString& resource, QWidget* owner);

    QAction* Item(const QString& name) const;  // also finds items of sub-menus
    bool SetItemEnabled(const QString& name, bool enabled);
    bool SetItemVisible(const QString& name, bool visible);
    bool SetItemChecked(const QString& name, bool checked);

    // Triggers an item as a click would (tests); false for unknown or disabled items.
    bool ClickItem(const QString& name);

    void Retranslate();

  private:
    explicit PopupMenu(QWidget* owner);
    void AddItems(QMenu* menu, const LayoutNode& node);

    QWidget* owner_;
};

}  // namespace korvel::ui
