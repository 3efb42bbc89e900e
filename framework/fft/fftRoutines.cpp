// Real FFT routines.
