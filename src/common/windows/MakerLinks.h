#pragma once

// The maker's web page and mail address, opened by the desktop: from the
// main window's menu, the about window and the version-check window.
void openHomePage();
void openMailToAuthors();
