// Platform layer - the drawing surface CDC.
#ifndef MATRIX_PLATFORM_AFXDC_H_
#define MATRIX_PLATFORM_AFXDC_H_

#endif  // MATRIX_PLATFORM_AFXDC_H_
