#pragma once

#include <array>
#include <string_view>

namespace rasterkit {

// The window's client area at design size, in twips (651 x 408 pixels).
inline constexpr int DesignClientWidthTwips = 9765;
inline constexpr int DesignClientHeightTwips = 6120;

// A size preset: the target size in pixels and the preview's size in twips.
struct SizePreset {
    int pixels;
    int previewTwips;
};

// Size presets by list index. The preview sizes are fixed values, not a
// formula of the pixel count.
inline constexpr std::array<SizePreset, 4> WidthPresets { { { 128, 2005 }, { 132, 2055 }, { 176, 2725 },
    { 320, 4815 } } };
inline constexpr std::array<SizePreset, 4> HeightPresets { { { 128, 2005 }, { 132, 2055 }, { 176, 2725 },
    { 240, 3765 } } };

// Each kind is made by one widget class.
enum class ControlKind {
    PreviewBox,          // picture box showing the converted picture
    ViewportBox,         // picture box holding and clipping the source picture
    SourcePictureBox,    // picture box inside the viewport, sized to the picture
    HorizontalScrollBar,
    VerticalScrollBar,
    Button,
    StatusBox,           // read-only multi-line text box
    ComboBox,            // editable, with a list
};

// What a combo box lists: the format names, or the size presets' pixel counts.
enum class ComboList { None, Formats, Widths, Heights };

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct ScrollSettings {
    int min = 0;
    int max = 0;
    int value = 0;
};

// One control as designed. The name is also its object name. The place is
// in twips of the client area, except for the picture inside the viewport,
// which is placed in the viewport. Only the settings of the control's kind
// are used.
struct DesignControl {
    const char* name;
    ControlKind kind;
    TwipRect twips;
    int tab;                          // position in the tab order
    ScrollSettings bar {};            // scroll bars
    const char* caption = nullptr;    // buttons, UTF-8
    ComboList list = ComboList::None; // combo boxes
    int shownEntry = 0;               // combo boxes: the entry shown at start
};

// The controls in creation order: later ones are drawn over earlier ones.
inline constexpr std::array<DesignControl, 13> DesignControls { {
    { .name = "Picture2", .kind = ControlKind::PreviewBox, .twips = { 120, 120, 4815, 3675 }, .tab = 6 },
    { .name = "Picture1", .kind = ControlKind::ViewportBox, .twips = { 5040, 120, 4335, 5655 }, .tab = 8 },
    { .name = "Picture3", .kind = ControlKind::SourcePictureBox, .twips = { 0, 0, 4335, 5535 }, .tab = 9 },
    { .name = "VScroll1", .kind = ControlKind::VerticalScrollBar, .twips = { 9360, 120, 255, 5535 }, .tab = 4,
        .bar = { 0, 0, 0 } },
    { .name = "HScroll1", .kind = ControlKind::HorizontalScrollBar, .twips = { 5040, 5760, 4335, 255 }, .tab = 3,
        .bar = { 0, 0, 0 } },
    { .name = "Command1", .kind = ControlKind::Button, .twips = { 120, 4080, 2055, 495 }, .tab = 0,
        .caption = "Конвертирование" },
    { .name = "Text1", .kind = ControlKind::StatusBox, .twips = { 2280, 4080, 2655, 1575 }, .tab = 2 },
    { .name = "Combo1", .kind = ControlKind::ComboBox, .twips = { 120, 4680, 2055, 315 }, .tab = 1,
        .list = ComboList::Formats, .shownEntry = 0 },
    { .name = "Combo2", .kind = ControlKind::ComboBox, .twips = { 120, 5040, 735, 315 }, .tab = 5,
        .list = ComboList::Widths, .shownEntry = 3 },
    { .name = "VScroll2", .kind = ControlKind::VerticalScrollBar, .twips = { 840, 5040, 255, 290 }, .tab = 10,
        .bar = { 320, 1, 320 } },
    { .name = "Combo3", .kind = ControlKind::ComboBox, .twips = { 1200, 5040, 735, 315 }, .tab = 11,
        .list = ComboList::Heights, .shownEntry = 3 },
    { .name = "VScroll3", .kind = ControlKind::VerticalScrollBar, .twips = { 1910, 5040, 255, 290 }, .tab = 12,
        .bar = { 240, 1, 240 } },
    { .name = "HScroll2", .kind = ControlKind::HorizontalScrollBar, .twips = { 120, 5400, 2045, 255 }, .tab = 7,
        .bar = { 10, 50, 10 } },
} };

// The design place of the control with this name (an empty rectangle for
// a name that is not in the table).
constexpr TwipRect designTwips(std::string_view name)
{
    for (const DesignControl& control : DesignControls) {
        if (name == control.name)
            return control.twips;
    }
    return {};
}

} // namespace rasterkit
