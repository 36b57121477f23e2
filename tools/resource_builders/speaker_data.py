"""Loudspeaker symbols and the sample speaker database (filled in below)."""


def build(resources_dir, out_dir):
    pass
