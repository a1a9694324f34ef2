# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder makes tessaly_VERSION_ARCH.deb from
# what `cmake --install` installs under /usr. Run-time dependencies are computed from the
# binaries by dpkg-shlibdeps; the desktop entry's and the MIME type's databases are refreshed
# by the dpkg triggers of desktop-file-utils and shared-mime-info on install and removal.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tessaly developers")
set(CPACK_PACKAGE_CONTACT "Tessaly developers <tessaly@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese glyphs in the window; Qt's dialogs in Chinese. Not found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, desktop-file-utils, shared-mime-info")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/tessaly/tessaly")
# The synopsis, then the long description; CPack indents the lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "listening practice and dictation (听力与听写练习)
Tessaly is a desktop program for listening practice and dictation. Open a
recording (.wav, .mp3, .rm, .ram, .ra), listen, press Alt+X to loop the
stretch just heard, press it again to go on, and type what you hear into a
large text box that is kept in a .txt file beside the recording. Pause,
30-second jumps, play lists and a list manager complete it.

Tessaly 是一个听力与听写练习软件：打开录音文件，边听边写；按 Alt+X
复读刚听过的一段，再按一次接着往下听。听写内容自动保存在录音文件旁边
的文本文件中，下次打开时自动显示。")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
