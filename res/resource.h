// Resource ids of kxcomdlglib.dll. Each subsystem keeps its own block.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- quick adjustment dialogs ---------------------------------------------------------------
#define IDD_IM_IMAGE_ROTETA         10007
#define IDC_ROTATE_ANGLE            10036
#define IDC_ROTATE_CLOCKWISE        10032
#define IDC_ROTATE_ANTICLOCKWISE    10034

// ---- general-purpose dialogs ----------------------------------------------------------------

// ---- output files -----------------------------------------------------------------------------

// ---- image adjustment -------------------------------------------------------------------------

// ---- batch processing -------------------------------------------------------------------------
