// Identifiers of the parameter dialog's controls, shared by every plug-in's dialog template and
// the dialog code. 1058 to 1061 mean different controls in Combustion (effect-direction buttons)
// and in Ice and Candle (the "Velosity" and "Space" sliders and their edit boxes). Plain #defines
// so the resource scripts can include this header too.
#ifndef ZAR_UI_CONTROL_IDS_H
#define ZAR_UI_CONTROL_IDS_H

// The predefined static window class by its atom, as resource compilers store "Static" (GNU
// windres would store the class name as text).
#define ZAR_STATIC_CLASS 0x0082

#define IDC_PREVIEW 5
#define IDC_RAMP_FRAME 667

#define IDC_MAIN_SLIDER_1 1015
#define IDC_MAIN_SLIDER_2 1016
#define IDC_MAIN_SLIDER_3 1017
#define IDC_MAIN_SLIDER_4 1018
#define IDC_RAMP_POSITION_1 1019
#define IDC_RAMP_POSITION_2 1020
#define IDC_SWATCH_1 1021
#define IDC_SWATCH_2 1022
#define IDC_SWATCH_3 1023
#define IDC_SWATCH_4 1024
#define IDC_MAIN_EDIT_1 1026
#define IDC_MAIN_EDIT_2 1027
#define IDC_MAIN_EDIT_3 1028
#define IDC_MAIN_EDIT_4 1029
#define IDC_ALPHA_SLIDER 1030
#define IDC_ALPHA_EDIT 1031
#define IDC_MASK_IN 1032
#define IDC_MASK_OUT 1033
#define IDC_MASK_BOTH 1034
#define IDC_COLOR_DEFAULT 1035
#define IDC_COLOR_CUSTOM 1036
#define IDC_INVERT 1037
#define IDC_DROPLET 1038
#define IDC_FLAME_LEFT_TOP 1039
#define IDC_FLAME_LEFT 1040
#define IDC_FLAME_LEFT_BTM 1041
#define IDC_FLAME_TOP 1042
#define IDC_FLAME_BOTTOM 1043
#define IDC_FLAME_RIGHT_TOP 1044
#define IDC_FLAME_RIGHT 1045
#define IDC_FLAME_RIGHT_BTM 1046
#define IDC_RADIUS_SLIDER 1047
#define IDC_ROTATION_SLIDER 1048
#define IDC_RADIUS_EDIT 1049
#define IDC_ROTATION_EDIT 1050
#define IDC_ITERATION_SLIDER 1051
#define IDC_ITERATION_EDIT 1052
#define IDC_RESET 1053
#define IDC_LOAD 1054
#define IDC_SAVE 1055
#define IDC_MASK_CONTOUR 1057
#define IDC_PHASE_SLIDER 1066
#define IDC_EFFECT_BLEND 1069
#define IDC_EFFECT_PAGE 1070
#define IDC_EFFECT_GATE 1071
#define IDC_EFFECT_HOLE 1072
#define IDC_ROTATION_DIAL 1974

// Combustion: the effect-direction buttons.
#define IDC_EFFECT_LEFT_TOP 1056
#define IDC_EFFECT_LEFT 1058
#define IDC_EFFECT_LEFT_BTM 1059
#define IDC_EFFECT_TOP 1060
#define IDC_EFFECT_BOTTOM 1061
#define IDC_EFFECT_RIGHT_TOP 1062
#define IDC_EFFECT_RIGHT 1063
#define IDC_EFFECT_RIGHT_BTM 1064

// Ice and Candle: the "Velosity" and "Space" sliders and edit boxes.
#define IDC_VELOCITY_SLIDER 1058
#define IDC_VELOCITY_EDIT 1059
#define IDC_SPACE_SLIDER 1060
#define IDC_SPACE_EDIT 1061

#endif  // ZAR_UI_CONTROL_IDS_H
