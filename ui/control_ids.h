// The identifiers of the parameter dialog's controls: one list for the resource scripts and the
// code. Plain macros, so the resource compiler reads them too. Identifiers 1058 to 1061 name
// different controls in Combustion (effect direction) and in Ice and Candle (velocity, space);
// each plug-in's template uses only its own meaning. OK and Cancel are the system's IDOK (1) and
// IDCANCEL (2).
#ifndef ZAR_UI_CONTROL_IDS_H
#define ZAR_UI_CONTROL_IDS_H

/* The predefined static window class by its atom, as resource compilers store "Static" (GNU
   windres would store the class name as text). */
#define ZAR_STATIC_CLASS 0x0082

#define IDC_PREVIEW_FRAME 5      /* hidden bordered static: where the preview is drawn */
#define IDC_RAMP_FRAME 667       /* group box around the ramp display */

#define IDC_MAIN_SLIDER1 1015    /* oxygen / height */
#define IDC_MAIN_SLIDER2 1016    /* gravity / smooth */
#define IDC_MAIN_SLIDER3 1017    /* viscosity / width */
#define IDC_MAIN_SLIDER4 1018    /* fuel / amplitude */
#define IDC_RAMP_POSITION1 1019  /* slider above the ramp display */
#define IDC_RAMP_POSITION2 1020  /* slider below the ramp display */
#define IDC_SWATCH1 1021         /* the four colour swatch frames (disabled push buttons) */
#define IDC_SWATCH2 1022
#define IDC_SWATCH3 1023
#define IDC_SWATCH4 1024
#define IDC_MAIN_EDIT1 1026      /* edit boxes of the four main sliders */
#define IDC_MAIN_EDIT2 1027
#define IDC_MAIN_EDIT3 1028
#define IDC_MAIN_EDIT4 1029
#define IDC_ALPHA_SLIDER 1030
#define IDC_ALPHA_EDIT 1031
#define IDC_MASK_IN 1032
#define IDC_MASK_OUT 1033
#define IDC_MASK_BOTH 1034
#define IDC_COLOR_DEFAULT 1035
#define IDC_COLOR_CUSTOM 1036
#define IDC_MASK_INVERT 1037
#define IDC_MASK_DROPLET 1038
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

/* Combustion: effect direction */
#define IDC_EFFECT_LEFT_TOP 1056
#define IDC_EFFECT_LEFT 1058
#define IDC_EFFECT_LEFT_BTM 1059
#define IDC_EFFECT_TOP 1060
#define IDC_EFFECT_BOTTOM 1061
#define IDC_EFFECT_RIGHT_TOP 1062
#define IDC_EFFECT_RIGHT 1063
#define IDC_EFFECT_RIGHT_BTM 1064
/* Ice and Candle: velocity and space */
#define IDC_VELOCITY_SLIDER 1058
#define IDC_VELOCITY_EDIT 1059
#define IDC_SPACE_SLIDER 1060
#define IDC_SPACE_EDIT 1061

/* Combustion: phase and effect */
#define IDC_PHASE_SLIDER 1066
#define IDC_EFFECT_BLEND 1069
#define IDC_EFFECT_PAGE 1070
#define IDC_EFFECT_GATE 1071
#define IDC_EFFECT_HOLE 1072

#define IDC_ROTATION_DIAL 1974   /* command identifier of the RotationRect dial */

#endif
