// Resource identifiers.
#pragma once

#define IDI_VINTREL 1
#define IDR_MAINMENU 100

// Main window menu commands.
#define IDM_mfSAVE 1001
#define IDM_mfALLSAVE 1002
#define IDM_mfPRINT 1003
#define IDM_mfEXIT 1004
#define IDM_mePLAY 1011
#define IDM_meALL 1012
#define IDM_meCOMPACT 1013
#define IDM_meCANCEL 1014
#define IDM_mcSTART 1021
#define IDM_mcCANCEL 1022
#define IDM_mtEST 1031
#define IDM_mtESTDEL 1032
#define IDM_mwHorizontal 1041
#define IDM_mwCascade 1042
#define IDM_mwDELETE 1043
#define IDM_mhHLP 1051
#define IDM_mhVER 1052
