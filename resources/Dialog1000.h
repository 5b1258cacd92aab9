// Dialog resource 1000: the conversion of a project ("Konvertera" in the "Arkiv" menu).
// 255 x 179 dialog units, MS Sans Serif 8 pt; the controls in their order on the dialog.
#pragma once

#include "platform/Cp1252Literal.h"
#include "platform/Dialog.h"

constexpr int IDD_KONVERTERA = 1000;
constexpr int IDC_FRAN_VERSION = 1000; // version found in the file
constexpr int IDC_TILL_VERSION = 1001; // current version
constexpr int IDC_BORRHAL = 1002;
constexpr int IDC_LINJER = 1003;
constexpr int IDC_HALLAR = 1004;
constexpr int IDC_TUNNLAR = 1005;
constexpr int IDC_PUNKTER = 1006;

inline const platform::DialogTemplate kDialog1000 = {
    IDD_KONVERTERA,
    "Konvertera projekt:",
    255,
    179,
    "MS Sans Serif",
    8,
    {
        {IDOK, platform::ControlKind::PushButton, "OK", false},
        {IDCANCEL, platform::ControlKind::PushButton, "Avbryt", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Konverterar databas för Harnoplan"_cp,
         true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Från version:"_cp, true},
        {IDC_FRAN_VERSION, platform::ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Till version:", true},
        {IDC_TILL_VERSION, platform::ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Antal borrhål:"_cp, true},
        {IDC_BORRHAL, platform::ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Antal linjer:", true},
        {IDC_LINJER, platform::ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Antal hällar:"_cp, true},
        {IDC_HALLAR, platform::ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Antal tunnlar:", true},
        {IDC_TUNNLAR, platform::ControlKind::ReadOnlyEdit, "", true},
        {platform::IDC_STATIC, platform::ControlKind::Label, "Antal punkter:", true},
        {IDC_PUNKTER, platform::ControlKind::ReadOnlyEdit, "", true},
    },
};
