#pragma once

/// The layout names its fonts as Windows does; elsewhere they are drawn with metric-compatible faces.
void InstallFontSubstitutions();
