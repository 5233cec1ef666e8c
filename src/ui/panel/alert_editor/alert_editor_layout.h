#pragma once
// Layout of the alert editor ("New alert"), as a list of the kit's pieces: the metric tiles, the
// rows of choices and the frames of its three text fields.
#include "ui/panel/kit/page_layout.h"

namespace qv {

// Page 4; an empty view for any other page.
PageView layout_alert_editor(const PageInput& in, const RoleTextMeasure& measure);

}  // namespace qv
