// kernels
