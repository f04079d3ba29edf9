#pragma once

// Writes the picture as the next numbered BMP in the working directory and tells the
// user in a message box.
void save_result();
