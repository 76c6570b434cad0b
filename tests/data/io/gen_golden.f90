! Golden data for the edit-descriptor writer: prints each value under Iw,
! Fw.d, Ew.d and Gw.d for many widths and decimals, one case a line:
!   <descriptor> <value as 16 hex digits of its bit pattern> |<field>|
! Integers are given in decimal instead of hex.
! Build and run:  gfortran gen_golden.f90 -o gen && ./gen > golden_format.txt
program gen_golden
  use, intrinsic :: iso_fortran_env, only: int64, real64
  use, intrinsic :: ieee_arithmetic
  implicit none
  integer, parameter :: nv = 62, ni = 17
  real(real64) :: v(nv)
  integer(int64) :: iv(ni)
  integer :: k, w, d, iw, id
  integer, parameter :: fw(11) = [1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 15], fd(5) = [0, 1, 2, 3, 5]
  integer, parameter :: ew(10) = [5, 6, 7, 8, 9, 10, 11, 12, 14, 16], ed(6) = [1, 2, 3, 4, 5, 7]
  character(len=32) :: fmt
  character(len=64) :: field

  v = [ 0.0_real64, -0.0_real64, 1.0_real64, -1.0_real64, 0.5_real64, -0.5_real64, &
        0.125_real64, 0.375_real64, 2.5_real64, 3.5_real64, -2.5_real64, 0.05_real64, &
        0.95_real64, 0.995_real64, 9.995_real64, 9.9995_real64, 99.95_real64, 999.5_real64, &
        9999.5_real64, 1.0e-300_real64, 1.0e300_real64, huge(1.0_real64), tiny(1.0_real64), &
        1.0e-5_real64, 1.23456789e-10_real64, 123456789.0_real64, 1234.5678_real64, &
        -1234.5678_real64, 0.1_real64, 0.099996_real64, 0.0999949_real64, 9999.4_real64, &
        9999.6_real64, 1.0e10_real64, 1.0e-10_real64, 1.0e99_real64, 1.0e100_real64, &
        9.99999e99_real64, 1.0e-99_real64, 1.0e-100_real64, 0.9999999_real64, &
        3.141592653589793_real64, -3.141592653589793_real64, 1.0_real64/3.0_real64, &
        2.0_real64/3.0_real64, 0.00049_real64, 0.0005_real64, 0.0015_real64, 1.0e5_real64, &
        -0.001_real64, -0.0004_real64, 0.96_real64, -9.96_real64, 99999.5_real64, &
        6.02214076e23_real64, -1.6e-19_real64, 14.7_real64, 5000.0_real64, &
        0.0_real64, 0.0_real64, 0.0_real64, 4.9406564584124654e-324_real64 ]
  v(59) = ieee_value(1.0_real64, ieee_positive_inf)
  v(60) = ieee_value(1.0_real64, ieee_negative_inf)
  v(61) = ieee_value(1.0_real64, ieee_quiet_nan)

  iv = [ 0_int64, 1_int64, -1_int64, 9_int64, -9_int64, 10_int64, 99_int64, -99_int64, &
         100_int64, 12345_int64, -12345_int64, 2147483647_int64, -2147483648_int64, &
         1000000000000_int64, -999999_int64, huge(1_int64), -huge(1_int64) - 1_int64 ]

  do k = 1, ni
    do w = 1, 21, 2
      write(fmt, '(A,I0,A)') '(I', w, ')'
      write(field, fmt) iv(k)
      write(*, '(A,1X,I0,1X,A,A,A)') trim(fmt(2:len_trim(fmt)-1)), iv(k), '|', field(1:w), '|'
    end do
  end do

  do k = 1, nv
    do iw = 1, size(fw)
      do id = 1, size(fd)
        w = fw(iw)
        d = fd(id)
        if (d >= w) cycle
        write(fmt, '(A,I0,A,I0,A)') '(F', w, '.', d, ')'
        call put(fmt, v(k), w)
      end do
    end do
    do iw = 1, size(ew)
      do id = 1, size(ed)
        w = ew(iw)
        d = ed(id)
        if (d >= w) cycle
        write(fmt, '(A,I0,A,I0,A)') '(E', w, '.', d, ')'
        call put(fmt, v(k), w)
        write(fmt, '(A,I0,A,I0,A)') '(G', w, '.', d, ')'
        call put(fmt, v(k), w)
      end do
    end do
  end do

contains

  subroutine put(fmt, x, w)
    character(len=*), intent(in) :: fmt
    real(real64), intent(in) :: x
    integer, intent(in) :: w
    integer :: ios
    field = ' '
    write(field, fmt, iostat=ios) x
    if (ios /= 0) field = '!ERROR'
    write(*, '(A,1X,Z16.16,1X,A,A,A)') trim(fmt(2:len_trim(fmt)-1)), x, '|', field(1:w), '|'
  end subroutine put

end program gen_golden
