// The picture writers of the graphics tests, for the pictures these tests open.
#include "../graphics/heif_writers_support.cpp"
#include "../graphics/large_pictures_support.cpp"
#include "../graphics/picture_writers_support.cpp"
