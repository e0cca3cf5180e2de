# PCL's package configuration takes the libraries it can use from results found before it:
# libpcap and libpng first, or each configure warns that those features are disabled (and
# the first configure of a build tree adds -DDISABLE_PCAP that every later one drops again).
macro(lumivar_find_pcl)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PCAP REQUIRED IMPORTED_TARGET libpcap)
  find_package(PNG REQUIRED)
  find_package(PCL 1.13 REQUIRED COMPONENTS ${ARGN})
endmacro()
