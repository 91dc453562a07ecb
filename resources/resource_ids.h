// Identifiers of the program's resources, shared by smeltra.rc and the code
// that loads them. Plain macros: the resource compiler reads this file too.
#pragma once

// The product icon: 32 x 32 in 256 colours, 48 x 48 and 256 x 256.
#define SMELTRA_IDI_PRODUCT 1

// The splash picture Image2 as GIF bytes (RCDATA).
#define SMELTRA_IDR_SPLASH_PICTURE 101
