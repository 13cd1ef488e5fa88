#!/usr/bin/python3
"""PSD files from the other side, for the exchange tests, through psd-tools.

write DIR      writes layered.psd (8-bit RGB layers in every compression, nested groups, hidden,
               translucent and masked layers, an
               adjustment and a smart object), gray16.psd (16-bit greyscale layers
               in an 'Lr16' block), flat.psd (no layers) and
               cmyk.psd into DIR, and prints what each layer holds as JSON.
describe FILE  prints the layers psd-tools reads from FILE, and the merged image, as JSON.

Pixels are straight RGBA bytes in Base64."""
import base64
import json
import sys

from PIL import Image
from psd_tools import PSDImage
from psd_tools.constants import BlendMode, ChannelID, Compression, SectionDivider, Tag
from psd_tools.psd import PSD
from psd_tools.psd.header import FileHeader
from psd_tools.psd.image_data import ImageData
from psd_tools.psd.layer_and_mask import (ChannelData, ChannelDataList, ChannelImageData, ChannelInfo,
                                          GlobalLayerMaskInfo, LayerAndMaskInformation, LayerFlags, LayerInfo,
                                          LayerInfoBlock, LayerRecord, LayerRecords, MaskData)
from psd_tools.psd.tagged_blocks import TaggedBlock, TaggedBlocks


def b64(data):
    return base64.b64encode(bytes(data)).decode()


def pattern(width, height, seed, grey=False):
    """Reproducible straight RGBA (or grey and alpha) samples with clear, partial and full alpha."""
    pixels = []
    for y in range(height):
        for x in range(width):
            value = (x * 37 + y * 91 + seed * 53) % 256
            alpha = (0, 128, 255, 200, 17)[(x + 2 * y + seed) % 5]
            colour = [value] if grey else [value, (value * 3 + seed) % 256, (255 - value + seed * 7) % 256]
            pixels.append(colour + [alpha])
    return pixels


def record(psd_layers, name, pixels, rect, depth, grey, compression, blend=BlendMode.NORMAL, opacity=255,
           visible=True, section=None, mask=None, kind=None):
    left, top, width, height = rect
    colours = 1 if grey else 3
    ids = [ChannelID.TRANSPARENCY_MASK] + [ChannelID(i) for i in range(colours)]
    order = [colours] + list(range(colours))  # alpha first, as most writers list it
    planes = [[p[component] for p in pixels] for component in order]
    mask_data = None
    if mask:
        mask_left, mask_top, mask_width, mask_height, values, fill = mask
        ids.append(ChannelID.USER_LAYER_MASK)
        planes.append(values)
        mask_data = MaskData(top=mask_top, left=mask_left, bottom=mask_top + mask_height,
                             right=mask_left + mask_width, background_color=fill)
    channels = ChannelDataList()
    info = []
    for channel_id, samples in zip(ids, planes):
        size = mask[2:4] if channel_id == ChannelID.USER_LAYER_MASK else rect[2:4]
        if depth == 16:
            raw = b''.join((s * 257).to_bytes(2, 'big') for s in samples)
        else:
            raw = bytes(samples)
        data = ChannelData(compression=compression)
        data.set_data(raw, *size, depth)
        channels.append(data)
        info.append(ChannelInfo(id=channel_id, length=data._length))
    blocks = TaggedBlocks()
    blocks.set_data(Tag.UNICODE_LAYER_NAME, name)
    if kind:
        # What the layer is made from, beside its stored pixels; its content does not matter here.
        blocks[kind] = TaggedBlock(key=kind, data=bytes(8))
    if section is not None:
        folder = section != SectionDivider.BOUNDING_SECTION_DIVIDER
        blocks.set_data(Tag.SECTION_DIVIDER_SETTING, section, signature=b'8BIM' if folder else None,
                        blend_mode=BlendMode.PASS_THROUGH if folder else None)
    layer = LayerRecord(top=top, left=left, bottom=top + height, right=left + width, channel_info=info,
                        blend_mode=blend, opacity=opacity, flags=LayerFlags(visible=visible), mask_data=mask_data,
                        name=name.encode('ascii', 'replace').decode(), tagged_blocks=blocks)
    psd_layers.append((layer, channels))


def save(path, size, depth, mode, layers, merged, block=None):
    """Writes the layers in the layer info, or under the tagged block `block` (16-bit documents
    keep theirs in 'Lr16') after an empty layer info and global mask."""
    width, height = size
    header = FileHeader(width=width, height=height, depth=depth, color_mode=mode,
                        channels=len(merged))
    records = LayerRecords([layer for layer, _ in layers])
    data = ChannelImageData([channels for _, channels in layers])
    count = -len(layers) if layers else 0
    if block:
        blocks = TaggedBlocks()
        blocks[block] = TaggedBlock(key=block, data=LayerInfoBlock(layer_count=count, layer_records=records,
                                                                   channel_image_data=data))
        section = LayerAndMaskInformation(layer_info=LayerInfo(layer_count=0),
                                          global_layer_mask_info=GlobalLayerMaskInfo(), tagged_blocks=blocks)
    else:
        section = LayerAndMaskInformation(layer_info=LayerInfo(layer_count=count, layer_records=records,
                                                               channel_image_data=data))
    image = ImageData(compression=Compression.RLE)
    image.set_data(merged, header)
    psd = PSD(header=header, layer_and_mask_information=section, image_data=image)
    with open(path, 'wb') as f:
        psd.write(f)


def write(out):
    expected = {}
    # Bottom first: a layer, a group holding a layer and a nested group, then a top layer.
    layers, described = [], []

    def add(name, rect, seed, compression, depth=8, grey=False, group=None, **kwargs):
        pixels = pattern(rect[2], rect[3], seed, grey)
        record(layers, name, pixels, rect, depth, grey, compression, **kwargs)
        rgba = [[p[0], p[0], p[0], p[1]] if grey else p for p in pixels]
        if 'mask' in kwargs:
            # Masks of 0 and 255 only: a pixel is kept or cleared, nothing to round.
            mask_left, mask_top, mask_width, mask_height, values, fill = kwargs['mask']
            for i in range(len(rgba)):
                x, y = rect[0] + i % rect[2] - mask_left, rect[1] + i // rect[2] - mask_top
                inside = 0 <= x < mask_width and 0 <= y < mask_height
                if (values[y * mask_width + x] if inside else fill) == 0:
                    rgba[i] = [0, 0, 0, 0]
        note = {Tag.LEVELS: ' (adjustment as pixels)', Tag.SMART_OBJECT_LAYER_DATA1: ' (smart object as pixels)'}
        described.append({'name': name + note.get(kwargs.get('kind'), ''), 'rect': list(rect), 'group': group,
                          'visible': kwargs.get('visible', True), 'opacity': kwargs.get('opacity', 255),
                          'blend': kwargs.get('blend', BlendMode.NORMAL).value.decode(),
                          'pixels': b64(sum(rgba, []))})

    def divider():
        record(layers, '</Layer group>', [], (0, 0, 0, 0), 8, False, Compression.RAW,
               section=SectionDivider.BOUNDING_SECTION_DIVIDER)

    def folder(name, **kwargs):
        record(layers, name, [], (0, 0, 0, 0), 8, False, Compression.RAW, section=SectionDivider.OPEN_FOLDER,
               blend=BlendMode.PASS_THROUGH, **kwargs)

    add('Bottom packed', (0, 0, 12, 9), 1, Compression.RLE)
    divider()
    add('Zipped in a group', (3, 2, 7, 5), 2, Compression.ZIP, group='Outer', blend=BlendMode.MULTIPLY,
        opacity=128)
    divider()
    add('Predicted, nested', (-2, 4, 6, 3), 3, Compression.ZIP_WITH_PREDICTION, group='Inner',
        blend=BlendMode.SCREEN)
    add('Raw, hidden', (5, 1, 4, 4), 4, Compression.RAW, group='Inner', visible=False, blend=BlendMode.HUE)
    folder('Inner')
    folder('Outer')
    add('Ünïcode top', (1, 1, 10, 6), 5, Compression.RLE, blend=BlendMode.COLOR_DODGE, opacity=51)
    add('Masked', (2, 3, 8, 5), 9, Compression.RLE,
        mask=(4, 2, 5, 4, [255 if (x + y) % 3 else 0 for y in range(4) for x in range(5)], 0))
    add('Levels', (0, 0, 2, 2), 10, Compression.RLE, kind=Tag.LEVELS)
    add('Placed', (6, 6, 3, 3), 11, Compression.RLE, kind=Tag.SMART_OBJECT_LAYER_DATA1)
    merged = [bytes(12 * 9)] * 3 + [bytes([255]) * (12 * 9)]
    save(f'{out}/layered.psd', (12, 9), 8, 3, layers, merged)
    expected['layered.psd'] = described

    layers, described = [], []
    add('Grey bottom', (0, 0, 5, 4), 6, Compression.RLE, depth=16, grey=True)
    add('Grey top', (1, 1, 3, 2), 7, Compression.ZIP_WITH_PREDICTION, depth=16, grey=True, opacity=200)
    save(f'{out}/gray16.psd', (5, 4), 16, 1, layers, [bytes(2 * 5 * 4), bytes([255]) * (2 * 5 * 4)],
         block=Tag.LAYER_16)
    expected['gray16.psd'] = described

    flat = pattern(6, 5, 8)
    PSDImage.frompil(Image.frombytes('RGB', (6, 5), bytes(sum((p[:3] for p in flat), [])))).save(
        f'{out}/flat.psd')
    expected['flat.psd'] = [{'name': 'Background', 'rect': [0, 0, 6, 5],
                             'pixels': b64(sum((p[:3] + [255] for p in flat), []))}]
    PSDImage.new('CMYK', (4, 4)).save(f'{out}/cmyk.psd')
    print(json.dumps(expected))


def describe(path):
    psd = PSDImage.open(path)
    layers = []
    for layer in psd.descendants():
        item = {'name': layer.name, 'kind': layer.kind, 'visible': layer.visible, 'opacity': layer.opacity,
                'blend': layer.blend_mode.value.decode(),
                'group': layer.parent.name if layer.parent is not psd else None}
        if layer.kind != 'group':
            item['rect'] = [layer.left, layer.top, layer.width, layer.height]
            image = layer.topil()
            item['pixels'] = b64(image.convert('RGBA').tobytes()) if image is not None else ''
        layers.append(item)
    merged = psd.topil()
    print(json.dumps({'size': [psd.width, psd.height], 'layers': layers,
                      'merged': b64(merged.convert('RGBA').tobytes())}))


if __name__ == '__main__':
    {'write': write, 'describe': describe}[sys.argv[1]](sys.argv[2])
