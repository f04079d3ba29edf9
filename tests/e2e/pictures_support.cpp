// The picture writers of the graphics tests, for the pictures these tests open.
#include "../graphics/large_pictures_support.cpp"
#include "../graphics/picture_writers_support.cpp"
