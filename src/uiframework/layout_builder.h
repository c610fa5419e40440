#pragma once
// Builds widgets from the framework's XML layouts (embedded as Qt resources).
//
//   <Window title="${tips}" size="420,210" caption="34">
//     <VBox margin="0" spacing="0" skin="frame">
//       <HBox skin="caption" height="34"> <Label name="MessageTitle"/> <Stretch/>
//             <Button name="closebtn" skin="close" width="34" height="34"/> </HBox>
//       <Repeat count="31" start="0"> <Edit name="eq_gain_%d" steps="true" width="48"/> </Repeat>
//     </VBox>
//   </Window>
//
// Containers: VBox, HBox (a frame with a box layout; "margin" = "m" or "l,t,r,b", "spacing").
// Layout items: Stretch ("factor"), Spacer ("width", "height").
// Controls: Label, Button, Option (check box; radio when it has a "group"; a toggle button with
// style="button"), Edit ("steps"), Field (a value that becomes an Edit when first edited, for
// windows with many of them), Slider ("min", "max", "value", "orientation"), Combo and List
// (<Item text=.../> children, "selected"), Progress ("min", "max", "value"), Busy (spinner).
// Repeat instantiates its children "count" times from "start"; each "%d" in an attribute takes
// the index (nested repeats fill the "%d"s outermost first) and named controls get the innermost
// index as user data. Include ("resource") builds another layout file in place.
// Any other tag is passed to the ControlFactory (custom controls of a window).
// Attributes of every control: name, text, tooltip, visible, enabled, width, height, minwidth,
// minheight, maxwidth, maxheight, skin (style-sheet class), userdata, stretch (layout factor).
// Lengths are given at 96 DPI and rescaled by ApplyScale.

#include <QHash>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

#include "uiframework/ui_formats.h"

class QWidget;
class QLayout;

namespace korvel::ui {

class ControlFactory {
  public:
    virtual ~ControlFactory() = default;
    // Creates a control for a tag the framework does not know, or returns nullptr.
    virtual QWidget* CreateControl(const QString& tag, QWidget* parent) = 0;
};

struct WindowLayoutInfo {
    QString title;
    QSize size;             // initial client size at 96 DPI (0 x 0: fit the content)
    int captionHeight = 0;  // height of the top band that drags the window, at 96 DPI
};

class LayoutBuilder {
  public:
    // Lengths are applied at `percent` as the controls are built, so a window built at its
    // final scale needs no ApplyScale afterwards.
    explicit LayoutBuilder(ControlFactory* factory, int percent = 100)
        : factory_(factory), percent_(percent) {}

    // Builds a <Window> layout file into `host`, which receives the root layout.
    bool BuildWindow(const QString& resource, QWidget* host, WindowLayoutInfo* info);

    // Builds the content of a layout file (its root element's children) into a container that
    // has a box layout, e.g. a panel loaded into a named placeholder.
    bool BuildInto(const QString& resource, QWidget* container);

    QString Error() const { return error_; }

  private:
    // The parsed layout, or null (error_ says why). Layouts compiled into the program are parsed
    // once and kept, so a window opened again is built without reading its layout again.
    std::shared_ptr<const LayoutNode> Load(const QString& resource);
    void BuildChildren(const LayoutNode& node, QWidget* parent, QLayout* layout,
                       std::vector<int>& indices);
    void BuildNode(const LayoutNode& node, QWidget* parent, QLayout* layout,
                   std::vector<int>& indices);
    QWidget* CreateWidget(const LayoutNode& node, const QHash<QString, QString>& attrs,
                          QWidget* parent);

    ControlFactory* factory_;
    int percent_;
    QString error_;
    int includeDepth_ = 0;
};

// Rescales every length recorded by the builder below `root` (including `root`) to `percent`.
void ApplyScale(QWidget* root, int percent);

// Records a 96-DPI length for a widget built by code so ApplyScale handles it too.
void SetScaledFixedSize(QWidget* widget, int width, int height, int percent);

}  // namespace korvel::ui
