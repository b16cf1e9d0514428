# Writes albums of MP3 files whose tags hold real texts in the legacy code
# pages old Windows taggers used, as mutagen writes them: ID3v2.3 frames
# marked ISO-8859-1 that hold the code page's bytes, or an ID3v1 tag alone.
# Prints one line per field: case, album folder, file, field, expected text.
# Usage: encoding_samples.py OUT SILENCE.mp3 [CASE,CASE... [ALBUMS]]
import os
import shutil
import sys

from mutagen.id3 import ID3, TALB, TIT2, TPE1
import mutagen.id3

RUSSIAN = dict(
    titles=["Катюша", "Калинка", "Подмосковные вечера", "Очи чёрные", "Тёмная ночь",
            "Смуглянка", "Синий платочек", "Звезда по имени Солнце", "Группа крови",
            "Кукушка", "Перемен", "Пачка сигарет", "Восьмиклассница", "Всё идёт по плану",
            "Ой, то не вечер", "Валенки", "Коробейники", "Миллион алых роз", "Белые розы",
            "Кончится лето"],
    artists=["Кино", "Людмила Зыкина", "Алла Пугачёва", "Гражданская оборона",
             "Русские народные песни"],
    albums=["Группа крови", "Лучшие песни", "Песни военных лет", "Звезда по имени Солнце",
            "Чёрный альбом", "Ночь", "Русское поле"])
CHINESE = dict(
    titles=["月亮代表我的心", "甜蜜蜜", "茉莉花", "但愿人长久", "小城故事", "后来", "童年",
            "青花瓷", "稻香", "夜来香", "我只在乎你", "千千阙歌", "传奇", "隐形的翅膀", "朋友",
            "大海", "光辉岁月", "吻别", "红豆", "遇见"],
    artists=["邓丽君", "周杰伦", "王菲", "刘若英", "张学友"],
    albums=["淡淡幽情", "叶惠美", "唱游", "我的最爱", "经典金曲", "真情流露", "新曲与精选"])
TRADITIONAL = dict(
    titles=["月亮代表我的心", "甜蜜蜜", "但願人長久", "小城故事", "後來", "童年", "青花瓷",
            "稻香", "夜來香", "我只在乎你", "千千闕歌", "傳奇", "隱形的翅膀", "朋友", "大海",
            "光輝歲月", "吻別", "紅豆", "遇見", "愛情轉移"],
    artists=["鄧麗君", "周杰倫", "王菲", "劉若英", "張學友"],
    albums=["淡淡幽情", "葉惠美", "唱遊", "我的最愛", "經典金曲", "真情流露", "新曲與精選"])
JAPANESE = dict(
    titles=["上を向いて歩こう", "さくらさくら", "川の流れのように", "赤とんぼ", "ふるさと",
            "残酷な天使のテーゼ", "夜に駆ける", "糸", "涙そうそう", "世界に一つだけの花", "島唄",
            "時の流れに身をまかせ", "北国の春", "なごり雪", "いい日旅立ち", "贈る言葉", "桜坂",
            "ハナミズキ", "春よ、来い", "異邦人"],
    artists=["坂本九", "美空ひばり", "中島みゆき", "宇多田ヒカル", "松任谷由実"],
    albums=["ベスト・コレクション", "日本の歌", "名曲集", "愛唄", "思い出の歌", "花束",
            "旅の途中"])
GREEK = dict(
    titles=["Τα παιδιά του Πειραιά", "Φραγκοσυριανή", "Συννεφιασμένη Κυριακή",
            "Το τρένο φεύγει στις οχτώ", "Άρνηση", "Ζορμπάς", "Μισιρλού", "Η μπαλάντα του Ούρι",
            "Δυο πόρτες έχει η ζωή", "Σαν σήμερα", "Όμορφη πόλη", "Το γελαστό παιδί",
            "Ένα το χελιδόνι", "Χάρτινο το φεγγαράκι", "Αθήνα", "Καλημέρα ήλιε", "Ο δρόμος",
            "Άσπρη μέρα", "Μάνα μου Ελλάς", "Ήλιε μου"],
    artists=["Μάνος Χατζιδάκις", "Μίκης Θεοδωράκης", "Μαρινέλλα", "Γιώργος Νταλάρας",
             "Βασίλης Τσιτσάνης"],
    albums=["Τα λαϊκά", "Επιτάφιος", "Άξιον Εστί", "Μεγάλες επιτυχίες", "Ρεμπέτικα",
            "Αρχιπέλαγος", "Ο Μεγάλος Ερωτικός"])
# windows-1252 texts that use its signs beyond ISO-8859-1 (’ – … œ €).
WESTERN_1252 = dict(
    titles=["L’été indien", "Rock ’n’ Roll", "Je t’aime… moi non plus", "Œuvre – première",
            "C’est si bon", "Don’t Stop Me Now", "Sœur Sourire", "L’hymne à l’amour",
            "It’s a Man’s World", "Ain’t No Sunshine", "Ne me quitte pas", "La vie en rose",
            "Quand on n’a que l’amour", "Comme d’habitude", "What’s Going On",
            "I’m Still Standing", "Aujourd’hui – live", "Mon cœur", "Un jour d’été",
            "Douce France"],
    artists=["Édith Piaf", "Serge Gainsbourg", "Jacques Brel", "Charles Trenet",
             "Joe Dassin"],
    albums=["L’Absente", "Rock ’n’ Roll…", "Chœurs d’enfants", "Aujourd’hui – live",
            "L’Œuvre complète", "Ça c’est Paris", "L’intégrale"])
# Valid ISO-8859-1: to be left alone.
WESTERN_LATIN1 = dict(
    titles=["Où est la plage", "Für Elise", "Canción de cuna", "Frère Jacques",
            "Über den Wolken", "La bohème", "Bésame mucho", "Ça plane pour moi",
            "Déjà vu", "Schön ist die Welt", "El niño", "Mañana", "Große Freiheit",
            "Les feuilles mortes", "Señorita", "Träumerei", "À bout de souffle",
            "Corazón espinado", "Heidenröslein", "Noël blanc"],
    artists=["Françoise Hardy", "Herbert Grönemeyer", "Maná", "Plastic Bertrand",
             "Reinhard Mey"],
    albums=["Chansons françaises", "Deutsche Lieder", "Éxitos", "L’été",
            "Große Erfolge", "Canciones de España", "Müde"])

# case, texts, code page, how the album's texts are stored
CASES = [
    ("windows-1251", RUSSIAN, "cp1251"),
    ("KOI8-R", RUSSIAN, "koi8_r"),
    ("GBK", CHINESE, "gbk"),
    ("Big5", TRADITIONAL, "big5"),
    ("Shift_JIS", JAPANESE, "shift_jis"),
    ("windows-1253", GREEK, "cp1253"),
    ("windows-1252", WESTERN_1252, "cp1252"),
    ("UTF-8", RUSSIAN, "utf-8"),
    ("ISO-8859-1", WESTERN_LATIN1, "latin-1"),
]
ALBUMS = 10
SONGS = 5


def id3v1_text(text, codec, size=30):
    return text.encode(codec)[:size].decode(codec, "ignore").strip()


def write_album(folder, case, texts, codec, album_index, silence):
    os.makedirs(folder)
    artist = texts["artists"][album_index % len(texts["artists"])]
    album = texts["albums"][album_index % len(texts["albums"])]
    if case == "ISO-8859-1" and album == "L’été":
        album = "L'été"
    id3v1_only = album_index % 2 == 1
    for song in range(SONGS):
        title = texts["titles"][(album_index * 2 + song) % len(texts["titles"])]
        path = os.path.join(folder, "%02d.mp3" % (song + 1))
        shutil.copyfile(silence, path)
        values = {"title": title, "artist": artist, "album": album}
        tags = ID3()
        for frame, field in ((TIT2, "title"), (TPE1, "artist"), (TALB, "album")):
            raw = values[field].encode(codec).decode("latin-1")
            if case == "UTF-8" and not id3v1_only:
                # UTF-8 read as ISO-8859-1 and written again as Unicode.
                tags.add(frame(encoding=1, text=[raw]))
            else:
                tags.add(frame(encoding=0, text=[raw]))
        if id3v1_only:
            tags.save(path, v2_version=3, v1=2)
            mutagen.id3.delete(path, delete_v1=False, delete_v2=True)
        else:
            tags.save(path, v2_version=3, v1=0)
        for field, text in values.items():
            expected = id3v1_text(text, codec) if id3v1_only else text
            print("\t".join([case, folder, path, field, expected]))


def main():
    out, silence = sys.argv[1], sys.argv[2]
    # Optionally only some cases, and fewer albums of each.
    wanted = sys.argv[3].split(",") if len(sys.argv) > 3 else None
    albums = int(sys.argv[4]) if len(sys.argv) > 4 else ALBUMS
    for case, texts, codec in CASES:
        if wanted and case not in wanted:
            continue
        for album_index in range(albums):
            folder = os.path.join(out, case, "album%02d" % album_index)
            write_album(folder, case, texts, codec, album_index, silence)


main()
