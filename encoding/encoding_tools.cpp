// EncodingTools
