"""Draws the example tour's panorama tiles (a synthetic room per scene) and
the small files its script names beside them.

Each cube face is one colour with its letter, the scene's name, a grid of
eighths and, on every tile, the tile's face, row and column as the tile
XML's URL names them (%s, %v, %h): a wrong face or a swapped tile shows at
once. Writes, for every scene named on the command line, the tiles of the
layout "<scene>.tiles/<face>/l1/<row>/l1_<face>_<row>_<column>.jpg" (faces
of 1024 pixels in 512-pixel tiles) and "<scene>.tiles/preview.jpg", the six
faces in one vertical strip in the order l f r b u d, and the scene's
thumbnail "<scene>.tiles/mobile_f.jpg" (its front face, small).

With --tour-files, writes the other files the example's script names, so
that --check finds each of them: the still images' photos, the gallery's
pictures, the references' icons, one-second videos (drawn here, encoded by
ffmpeg), the explanation and reference pages, and stand-ins for the video
tours and for the tour "../west/west.xml" that the out link opens.
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw, ImageFont

FACE_SIZE = 1024
TILE_SIZE = 512
PREVIEW_FACE = 128
FACES = "lfrbud"
FACE_WORDS = {"l": "LEFT", "f": "FRONT", "r": "RIGHT", "b": "BACK", "u": "UP", "d": "DOWN"}
# One hue per face; the second scene is drawn darker, so a jump shows.
COLOURS = {"l": (70, 130, 180), "f": (200, 120, 60), "r": (90, 160, 90),
           "b": (170, 80, 150), "u": (210, 200, 120), "d": (110, 100, 90)}


def big_text(text, height):
    """The text in the default bitmap font, scaled up without smoothing."""
    font = ImageFont.load_default()
    left, top, right, bottom = font.getbbox(text)
    small = Image.new("L", (right - left + 2, bottom - top + 2), 0)
    ImageDraw.Draw(small).text((1 - left, 1 - top), text, fill=255, font=font)
    scale = max(1, height // small.height)
    return small.resize((small.width * scale, small.height * scale), Image.NEAREST)


def paste_text(image, text, height, centre, colour):
    mask = big_text(text, height)
    x = centre[0] - mask.width // 2
    y = centre[1] - mask.height // 2
    image.paste(colour, (x, y, x + mask.width, y + mask.height), mask)


def draw_face(scene, face, shade):
    colour = tuple(int(c * shade) for c in COLOURS[face])
    image = Image.new("RGB", (FACE_SIZE, FACE_SIZE), colour)
    draw = ImageDraw.Draw(image)
    step = FACE_SIZE // 8
    for i in range(1, 8):
        width = 5 if i == 4 else 2
        draw.line([(i * step, 0), (i * step, FACE_SIZE)], fill=(235, 235, 235), width=width)
        draw.line([(0, i * step), (FACE_SIZE, i * step)], fill=(235, 235, 235), width=width)
    draw.rectangle([0, 0, FACE_SIZE - 1, FACE_SIZE - 1], outline=(20, 20, 20), width=8)
    paste_text(image, face.upper(), 300, (FACE_SIZE // 2, FACE_SIZE // 2 - 60), (255, 255, 255))
    paste_text(image, "%s %s" % (scene.upper(), FACE_WORDS[face]), 60,
               (FACE_SIZE // 2, FACE_SIZE // 2 + 170), (20, 20, 20))
    return image


def write_scene(folder, scene, shade):
    tiles = os.path.join(folder, scene + ".tiles")
    strip = Image.new("RGB", (PREVIEW_FACE, PREVIEW_FACE * 6))
    per_side = FACE_SIZE // TILE_SIZE
    for index, face in enumerate(FACES):
        image = draw_face(scene, face, shade)
        strip.paste(image.resize((PREVIEW_FACE, PREVIEW_FACE), Image.BILINEAR),
                    (0, index * PREVIEW_FACE))
        for row in range(1, per_side + 1):
            path = os.path.join(tiles, face, "l1", str(row))
            os.makedirs(path, exist_ok=True)
            for column in range(1, per_side + 1):
                box = ((column - 1) * TILE_SIZE, (row - 1) * TILE_SIZE,
                       column * TILE_SIZE, row * TILE_SIZE)
                tile = image.crop(box)
                paste_text(tile, "%s %d-%d" % (face, row, column), 40, (TILE_SIZE // 2, 40),
                           (0, 0, 0))
                name = "l1_%s_%d_%d.jpg" % (face, row, column)
                tile.save(os.path.join(path, name), quality=45, optimize=True)
    strip.save(os.path.join(tiles, "preview.jpg"), quality=60, optimize=True)
    front = draw_face(scene, "f", shade).resize((256, 256), Image.BILINEAR)
    front.save(os.path.join(tiles, "mobile_f.jpg"), quality=60, optimize=True)


# The files palace.lst names besides the tiles: (path, what to draw or write).
PICTURES = [("photo/vase01.jpg", "VASE"), ("photo/lamp01.jpg", "LAMP"),
            ("ceramics/bowl01.jpg", "BOWL"), ("ceramics/jar03.jpg", "JAR")]
ICONS = [("icons/map.png", "M"), ("icons/network.png", "N"), ("icons/book.png", "B")]
VIDEOS = [("video/gate.mp4", "GATE"), ("ceramics/cup02.mp4", "CUP")]
PAGES = ["texts/cup02.htm", "texts/jar03.htm", "texts/guide.htm", "texts/history.htm"]
STAND_INS = ["video/drone.xml", "video/palace360.xml", "../west/west.xml"]


def picture(word, size, colour):
    image = Image.new("RGB", size, colour)
    ImageDraw.Draw(image).rectangle([0, 0, size[0] - 1, size[1] - 1], outline=(20, 20, 20),
                                    width=4)
    paste_text(image, word, size[1] // 3, (size[0] // 2, size[1] // 2), (20, 20, 20))
    return image


def write_text(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def write_tour_files(folder):
    def place(name):
        path = os.path.normpath(os.path.join(folder, name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    for name, word in PICTURES:
        picture(word, (320, 240), (225, 215, 190)).save(place(name), quality=60, optimize=True)
    for name, letter in ICONS:
        icon = picture(letter, (64, 64), (250, 250, 250)).convert("P", palette=Image.ADAPTIVE,
                                                                    colors=8)
        icon.save(place(name), optimize=True)
    for name, word in VIDEOS:
        with tempfile.TemporaryDirectory() as scratch:
            frame = os.path.join(scratch, "frame.png")
            picture(word, (320, 240), (120, 150, 190)).save(frame)
            subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-loop", "1", "-i", frame,
                            "-t", "1", "-r", "5", "-c:v", "libx264", "-profile:v", "baseline",
                            "-pix_fmt", "yuv420p", "-crf", "35", "-movflags", "+faststart",
                            "-map_metadata", "-1", "-fflags", "+bitexact", "-flags:v",
                            "+bitexact", place(name)], check=True)
    for name in PAGES:
        title = os.path.splitext(os.path.basename(name))[0]
        write_text(place(name), "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                   "<title>%s</title></head>\n<body><p>The example tour's page %s.</p></body>"
                   "</html>\n" % (title, title))
    write_text(place("texts/site.kml"),
               '<?xml version="1.0" encoding="UTF-8"?>\n'
               '<kml xmlns="http://www.opengis.net/kml/2.2"><Placemark><name>palace</name>'
               "<Point><coordinates>126.977,37.579</coordinates></Point></Placemark></kml>\n")
    for name in STAND_INS:
        write_text(place(name), '<?xml version="1.0" encoding="utf-8"?>\n'
                   "<!-- A stand-in for a tour of its own, which the example tour opens. -->\n"
                   '<krpano>\n\t<preview type="grid(cube)" />\n</krpano>\n')


def main():
    arguments = sys.argv[1:]
    tour_files = "--tour-files" in arguments
    if tour_files:
        arguments.remove("--tour-files")
    folder = arguments[0]
    for number, scene in enumerate(arguments[1:]):
        write_scene(folder, scene, 1.0 if number % 2 == 0 else 0.7)
    if tour_files:
        write_tour_files(folder)


if __name__ == "__main__":
    main()
