// Resource ids of kxcomdlglib.dll, for the library and for hosts that drive its dialogs. Each
// subsystem keeps its own block. (Named after the library so that it never meets a host's own
// resource.h on an include path.)
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- quick adjustment dialogs ---------------------------------------------------------------
#define IDD_IM_ADJUST_GRAY          10003
#define IDD_IM_ADJUST_CBAR          10004
#define IDD_IM_ADJUST_IBAC          10005
#define IDD_IM_ADJUST_IHUE          10006
#define IDD_IM_IMAGE_ROTETA         10007
// Sliders and their buddy edits, the same ids in every quick dialog.
#define IDC_QUICK_SLIDER1           11001
#define IDC_QUICK_EDIT1             11002
#define IDC_QUICK_SLIDER2           11003
#define IDC_QUICK_EDIT2             11004
#define IDC_QUICK_SLIDER3           11005
#define IDC_QUICK_EDIT3             11006
#define IDC_QUICK_PREVIEW           10012
#define IDC_GRAY_PREVIEW            11007
#define IDC_GRAY_LEVEL              11008
#define IDC_GRAY_AMOUNT             11009
#define IDC_GRAY_LEVEL_EDIT         11010
#define IDC_GRAY_AMOUNT_EDIT        11011
#define IDC_GRAY_CHECK_PREVIEW      11012
#define IDC_ROTATE_ANGLE            10036
#define IDC_ROTATE_CLOCKWISE        10032
#define IDC_ROTATE_ANTICLOCKWISE    10034

// ---- general-purpose dialogs ----------------------------------------------------------------
#define IDD_FILE_LOCATION           10000
#define IDC_FILELOC_LOCATION        11013
#define IDC_FILELOC_MESSAGE         11014
#define IDC_FILELOC_BROWSE          11015
#define IDS_FILELOC_BROWSE_TITLE    29006
// the progress window
#define IDD_PROGRESS                16468
#define IDD_PROGRESS_STOP           16469
#define IDC_PROGRESS_STATUS         10035
#define IDC_PROGRESS_PERCENT        16382
#define IDC_PROGRESS_BAR            16419
#define IDC_PROGRESS_STOP           16440
#define IDC_PROGRESS_REMAINING      16448
#define IDS_PROGRESS_MINUTES        20110
#define IDS_PROGRESS_SECONDS        20111
// the wizard's button captions
#define IDS_WIZARD_FINISH           20100
#define IDS_WIZARD_BACK             20101
#define IDS_WIZARD_NEXT             20102
// the font picker and the text font dialog
#define IDB_FONT_KINDS              10083
#define IDS_FONT_NOT_FOUND          20108
#define IDD_WFONT                   10001
#define IDC_WFONT_UNDERLINE         11016
#define IDC_WFONT_TEXT              11017
#define IDC_WFONT_NAME              11018
#define IDC_WFONT_STYLE             11020
#define IDC_WFONT_SIZE              11022
#define IDC_WFONT_WIDTH             11026
#define IDC_WFONT_SPACING           11029

// ---- output files -----------------------------------------------------------------------------
#define IDD_IMGFILECONFIG           10011
#define IDC_OUTFIL_TYPE             1023
#define IDC_OUTFIL_BROWSE           1025
#define IDC_OUTFIL_PATH             1027
#define IDC_OUTFIL_DPI              1029
#define IDC_OUTFIL_NAME             1031
#define IDC_OUTFIL_COLMODE          4037
#define IDC_OUTFIL_SUBTYPE          4038
#define IDC_OUTFIL_QUALITY          4039
#define IDC_OUTFIL_DPI_SPIN         4042
#define IDC_OUTFIL_RANGE_ALL        4043
#define IDC_OUTFIL_RANGE_CURRENT    4044
#define IDC_OUTFIL_RANGE_PAGES      4045
#define IDC_OUTFIL_EDIT_RANG        4048
#define IDS_OUTFIL_BROWSE_TITLE     20103
#define IDS_OUTFIL_NEED_NAME        20104
#define IDS_OUTFIL_CREATE_FOLDER    20105
#define IDS_OUTFIL_CREATE_FAILED    20106
#define IDS_OUTFIL_BAD_RANGE        20107
// The image file dialog's filter table: text and pattern of each row, rows 1 to 6.
#define IDS_IMGFILE_FILTER_FIRST    20000
#define IDS_IMGFILE_FILTER_LAST     20011
// The preview the open form adds to the file dialog's frame: an id of its own, none of the
// frame's controls (1 and 2 are its buttons, 0x400 to 0x4FF the rest).
#define IDC_IMGFILE_PREVIEW         11040

// ---- image adjustment -------------------------------------------------------------------------
#define IDD_DLG_ADJUST              10017
#define IDD_DLG_ADJUST_HELP         10020
#define IDD_DLG_ADJUST_LARGE        10023
#define IDD_DLG_ADJUST_NAME         10025
#define IDS_ADJUST_STD_TITLE        20113
#define IDS_ADJUST_BAD_NAME         20115

#define IDC_ADJ_SAVE_PROFILE        16
#define IDC_ADJ_DELETE_PROFILE      17
#define IDC_ADJ_HUE_CHANNEL         1084
#define IDC_ADJ_PROFILE             1085
#define IDC_ADJ_HELP                10044
#define IDC_ADJ_GAMMA_SPIN          27069
#define IDC_ADJ_OUTLOW_SPIN         27070
#define IDC_ADJ_OUTHIGH_SPIN        27071
#define IDC_ADJ_SHARP_SPIN          27072
#define IDC_ADJ_SET_STD             27073
#define IDC_ADJ_STD_PATH            27074
#define IDC_ADJ_TOGRAY              27075
#define IDC_ADJ_GAMMA               27076
#define IDC_ADJ_OUTLOW              27077
#define IDC_ADJ_OUTHIGH             27078
#define IDC_ADJ_SHARP               27083
#define IDC_ADJ_SATU_EDIT           27084
#define IDC_ADJ_SATU                27085
#define IDC_ADJ_STD_VIEW            27086
#define IDC_ADJ_BEFORE_VIEW         27087
#define IDC_ADJ_AFTER_VIEW          27088
#define IDC_ADJ_NAME                27411
#define IDC_ADJ_RED                 27606
#define IDC_ADJ_GREEN               27607
#define IDC_ADJ_BLUE                27608
#define IDC_ADJ_RED_EDIT            27609
#define IDC_ADJ_GREEN_EDIT          27610
#define IDC_ADJ_BLUE_EDIT           27611
#define IDC_ADJ_BRIGHT              27615
#define IDC_ADJ_BRIGHT_EDIT         27616
#define IDC_ADJ_CONTRAST            27617
#define IDC_ADJ_CONTRAST_EDIT       27618
#define IDC_ADJ_ITEM_BRIGHT         27689
#define IDC_ADJ_ITEM_CONTRAST       27690
#define IDC_ADJ_ITEM_SATU           27691
#define IDC_ADJ_ITEM_RED            27692
#define IDC_ADJ_ITEM_GREEN          27693
#define IDC_ADJ_ITEM_BLUE           27694
// the batch form: its buttons (the output fields and the walk are the batch block's)
#define IDD_DLG_ADJUST_BAT          10018
#define IDD_DLG_ADJUST_BAT_LARGE    10024
#define IDC_ADJBAT_SAVE             3
#define IDC_ADJBAT_CROP             8
#define IDC_ADJBAT_CROPSET          11
#define IDC_ADJBAT_RESET            15
#define IDC_ADJBAT_CLOSE            1083

// ---- batch processing -------------------------------------------------------------------------
// The output fields and the folder walk, with the same ids in every batch dialog.
#define IDC_BATCH_DIR               10043
#define IDC_BATCH_FOLDER            10045
#define IDC_BATCH_TYPE              10047
#define IDC_BATCH_DPI               10049
#define IDC_BATCH_NAME              10051
#define IDC_BATCH_NEXT_PATH         10053
#define IDC_BATCH_FIRST             10054
#define IDC_BATCH_AUTONUMBER        10055
#define IDC_BATCH_PREV              10056
#define IDC_BATCH_NEXT              10057
#define IDC_BATCH_LAST              10058
#define IDC_BATCH_OPEN              10059
#define IDC_BATCH_SOURCE_PATH       10060
#define IDS_BATCH_CLIPPED_AS        20112
#define IDS_BATCH_SAVED_AS          20114
#define IDS_BATCH_NEED_FOLDER       26075
#define IDS_BATCH_CREATE_FOLDER     26076
#define IDS_BATCH_CREATE_FAILED     26077
#define IDS_BATCH_NEED_NAME         26078
#define IDS_BATCH_NEED_TYPE         26079
#define IDS_BATCH_SAME_AS_SOURCE    26080
#define IDS_BATCH_SAVE_FAILED       26081
#define IDS_BATCH_PATH_TOO_LONG     26082
#define IDS_BATCH_BAD_NAME          26083

// ---- background removal -----------------------------------------------------------------------
#define IDD_DLG_PRIMATTE            10014
#define IDD_DLG_PRIMATTE_BAT        10019
// the picture buttons on the right
#define IDC_PRIM_CLOSE              5
#define IDC_PRIM_FOREGROUND         7
#define IDC_PRIM_BACKGROUND         10
#define IDC_PRIM_SAVE_COMPOSITE     19
#define IDC_PRIM_SAVE_MASK          20
#define IDC_PRIM_UNDO               21
#define IDC_PRIM_REDO               22
#define IDC_PRIM_RECOMPOSE          23
#define IDC_PRIM_APPLY              1075
// the status text under the view, the view's placeholder
#define IDC_PRIM_STATUS             1073
#define IDC_PRIM_VIEW_AREA          10062
// the default background
#define IDC_PRIM_DEFBG_COLOR        1076
#define IDC_PRIM_DEFBG_PICTURE      1077
#define IDC_PRIM_CHOOSE_COLOR       1078
#define IDC_PRIM_SWATCH             1079
#define IDC_PRIM_CHOOSE_PICTURE     1080
#define IDC_PRIM_DEFBG_PATH         1081
#define IDC_PRIM_DEFBG_NONE         1082
// zoom and mouse tools under the view
#define IDC_PRIM_ZOOM_IN            10041
#define IDC_PRIM_ZOOM_OUT           10042
#define IDC_PRIM_PICKER             10044
#define IDC_PRIM_EDIT_TOOL          10046
#define IDC_PRIM_HAND               10048
#define IDC_PRIM_FIT                10050
#define IDC_PRIM_ACTUAL             10052
// what the view shows: composite, mask, foreground, background
#define IDC_PRIM_SHOW_COMPOSITE     10063
#define IDC_PRIM_SHOW_MASK          10064
#define IDC_PRIM_SHOW_FOREGROUND    10065
#define IDC_PRIM_SHOW_BACKGROUND    10066
// the keying operations 0 to 8, one radio each
#define IDC_PRIM_OP_FIRST           10069
#define IDC_PRIM_OP_BG_NOISE        10070
#define IDC_PRIM_OP_FG_NOISE        10071
#define IDC_PRIM_OP_OPAQUE          10072
#define IDC_PRIM_OP_TRANSPARENT     10073
#define IDC_PRIM_OP_DETAIL          10074
#define IDC_PRIM_OP_SPILL           10075
#define IDC_PRIM_OP_FINE_TUNING     10076
#define IDC_PRIM_OP_DEFOCUS         10077
// fine tuning and defocus: sliders and their buddy edits
#define IDC_PRIM_SPILL              27606
#define IDC_PRIM_TRANSPARENCY       27607
#define IDC_PRIM_DETAIL             27608
#define IDC_PRIM_SPILL_EDIT         27609
#define IDC_PRIM_TRANSPARENCY_EDIT  27610
#define IDC_PRIM_DETAIL_EDIT        27611
#define IDC_PRIM_DEFOCUS            27615
#define IDC_PRIM_DEFOCUS_EDIT       27616
#define IDC_PRIM_SHRINK             27617
#define IDC_PRIM_SHRINK_EDIT        27618
#define IDC_PRIM_INWARD             1074
// the batch form: compose while browsing
#define IDC_PRIM_AUTOCOMPOSE        10061
// the file dialogs' titles
#define IDS_PRIM_CHOOSE_FOREGROUND  29001
#define IDS_PRIM_CHOOSE_BACKGROUND  29002
#define IDS_PRIM_SAVE_COMPOSITE     29003
#define IDS_PRIM_SAVE_MASK          29004
#define IDS_PRIM_CHOOSE_DEFBG       29005
// ---- crop and slice -----------------------------------------------------------------------------
#define IDD_SLICE                   10013
#define IDD_CROP                    10016
// The controls both crop dialogs carry; the navigation buttons and the path display are the
// batch walk's.
#define IDC_SLICE_VIEW              10038
#define IDC_SLICE_PREVIEW           10037
#define IDC_SLICE_CROPOPT           9
#define IDC_SLICE_ZOOMIN            10041
#define IDC_SLICE_ZOOMOUT           10042
// the automatic positioning crop
#define IDC_SLICE_HOPSET            6
#define IDC_SLICE_SAVE              3
#define IDC_SLICE_CLOSE             1083
// the image crop
#define IDC_CROP_ROTATE             13

// ---- print-product settings -------------------------------------------------------------------
// the card template size
#define IDD_CARDSET                 10015
#define IDC_CARD_UNIT               16404
#define IDC_CARD_RES_UNIT           16405
#define IDC_CARD_STDSIZE            16406
#define IDC_CARD_WIDTH              16413
#define IDC_CARD_PORTRAIT           16430
#define IDC_CARD_LANDSCAPE          16431
#define IDC_CARD_HEIGHT             16439
#define IDC_CARD_RESOLUTION         16440
#define IDS_CARD_BAD_RESOLUTION     26090
// the calendar
#define IDD_CALESET                 10002
#define IDC_CALE_BKCOLOR            1000
#define IDC_CALE_HOLIDAY            1002
#define IDC_CALE_NOTHOLIDAY         1003
#define IDC_CALE_YEAR               1034
#define IDC_CALE_MONTH              1037
#define IDC_CALE_SHOW_MONTH         1040
#define IDC_CALE_TRANSPARENT        1043
#define IDC_CALE_SHOW_LUNAR         1046
#define IDC_CALE_WEEK_BOLD          1048
#define IDC_CALE_WEEK_ITALIC        1050
#define IDC_CALE_WEEK_UNDERLINE     1052
#define IDC_CALE_MONTH_BOLD         1054
#define IDC_CALE_MONTH_ITALIC       1056
#define IDC_CALE_MONTH_UNDERLINE    1057
#define IDC_CALE_DATE_BOLD          1059
#define IDC_CALE_DATE_ITALIC        1061
#define IDC_CALE_DATE_UNDERLINE     1063
#define IDC_CALE_LUNAR_BOLD         1064
#define IDC_CALE_LUNAR_ITALIC       1065
#define IDC_CALE_LUNAR_UNDERLINE    1066
#define IDC_CALE_WEEK_SIZE_SPIN     1067
#define IDC_CALE_MONTH_SIZE_SPIN    1068
#define IDC_CALE_LUNAR_SIZE_SPIN    1069
#define IDC_CALE_DATE_SIZE_SPIN     1070
#define IDC_CALE_MONTH_SPIN         1071
#define IDC_CALE_YEAR_SPIN          1072
#define IDC_CALE_WEEK_FORMAT        11000
#define IDC_CALE_WEEK_FACE          11019
#define IDC_CALE_MONTH_FACE         11021
#define IDC_CALE_WEEK_SIZE          11023
#define IDC_CALE_MONTH_SIZE         11025
#define IDC_CALE_DATE_FACE          11027
#define IDC_CALE_DATE_SIZE          11028
#define IDC_CALE_LUNAR_FACE         11030
#define IDC_CALE_LUNAR_SIZE         11031
// the picture check: its settings ...
#define IDD_FILTER_SYSSET           10021
#define IDC_FILTER_LIM_FINAL        1020
#define IDC_FILTER_CHK_OVERALL      1033
#define IDC_FILTER_CHK_COLOR        1036
#define IDC_FILTER_CHK_BRIGHT       1039
#define IDC_FILTER_CHK_CONTRAST     1042
#define IDC_FILTER_CHK_BACK         1045
#define IDC_FILTER_LIM_OVERALL      1047
#define IDC_FILTER_LIM_COLOR        1049
#define IDC_FILTER_LIM_BRIGHT       1051
#define IDC_FILTER_LIM_CONTRAST     1053
#define IDC_FILTER_LIM_BACK         1055
#define IDC_FILTER_SET_STD          1058
#define IDC_FILTER_CHK_HEAD         1060
#define IDC_FILTER_LIM_HEAD         1062
#define IDC_FILTER_STD_PATH         27074
#define IDC_FILTER_STD_VIEW         27086
#define IDS_FILTER_STD_UNREADABLE   26091
// ... and its results
#define IDD_FILTER_DETAIL           10022
#define IDC_FILTER_TXT_BRIGHT       1004
#define IDC_FILTER_TXT_CONTRAST     1006
#define IDC_FILTER_TXT_BACK         1009
#define IDC_FILTER_TXT_HEAD         1011
#define IDC_FILTER_BAR_RESULT       1013
#define IDC_FILTER_BAR_OVERALL      1015
#define IDC_FILTER_VAL_RESULT       1017
#define IDC_FILTER_VAL_OVERALL      1019
#define IDC_FILTER_BAR_BRIGHT       1022
#define IDC_FILTER_VAL_BRIGHT       1024
#define IDC_FILTER_BAR_CONTRAST     1026
#define IDC_FILTER_VAL_CONTRAST     1028
#define IDC_FILTER_BAR_COLOR        1030
#define IDC_FILTER_VAL_COLOR        1032
#define IDC_FILTER_BAR_BACK         1035
#define IDC_FILTER_VAL_BACK         1038
#define IDC_FILTER_BAR_HEAD         1041
#define IDC_FILTER_VAL_HEAD         1044
#define IDC_FILTER_TXT_CONSIST      1073
#define IDC_FILTER_TXT_COLOR        1079
#define IDC_FILTER_STD_PICTURE      27657
#define IDC_FILTER_TEST_PICTURE     27658
