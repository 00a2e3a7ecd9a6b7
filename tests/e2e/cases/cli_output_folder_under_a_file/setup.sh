printf x > plain
