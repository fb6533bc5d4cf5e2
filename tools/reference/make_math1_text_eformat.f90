! Exponent-format reference for the number-text tests: reads lines
! "value width digits" and writes each value with the edit descriptor
! Ew.d between brackets. Built and run by make_math1_text_refs.py:
!   gfortran -o eformat tools/reference/make_math1_text_eformat.f90
!   echo "1.2345 12 5" | ./eformat        ->  [ 0.12345E+01]
program eformat
  implicit none
  double precision :: x
  integer :: w, d, ios
  character(len=64) :: fmt
  do
    read(*, *, iostat=ios) x, w, d
    if (ios /= 0) exit
    write(fmt, '(A,I0,A,I0,A)') '("[",E', w, '.', d, ',"]")'
    write(*, fmt) x
  end do
end program eformat
