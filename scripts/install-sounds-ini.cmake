# Writes sounds.ini beside the installed program, pointing at the shipped sounds, unless one is
# already there (the user's own choice of sounds is never replaced).
set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(NOT EXISTS "${dir}/sounds.ini")
    file(WRITE "${dir}/sounds.ini"
"[Sounds]\r
DateTimeE=${CMAKE_INSTALL_PREFIX}/sounds/GenSound.wav\r
StartupE=${CMAKE_INSTALL_PREFIX}/sounds/Startup Sound.wav\r
ShutdownE=${CMAKE_INSTALL_PREFIX}/sounds/ShutDown Sound.wav\r
IConnectE=${CMAKE_INSTALL_PREFIX}/sounds/IConnect Sound.wav\r
IDisConnectE=${CMAKE_INSTALL_PREFIX}/sounds/IDisConnect Sound.wav\r
")
endif()
