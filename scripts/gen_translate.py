#!/usr/bin/env python3
"""Writes resources/translate.txt, the translation catalogue built into the program.

The file's bytes are fixed: UTF-8 with a byte-order mark, CR LF line ends, one block per
source text (ko, en, ja, zh, ru, it, fr), blocks separated by one empty line and no empty
line after the last. The Italian line of the Donate block ends with a lone LF, as the
catalogue has always shipped; the loader treats LF, CR and CR LF alike, and tests pin it.

Usage: scripts/gen_translate.py [output]   (default: resources/translate.txt)
"""
import os
import sys

LANGUAGES = ("ko", "en", "ja", "zh", "ru", "it", "fr")

BLOCKS = [
    (
        "스위프트레인",
        "Swiftlane",
        "スウィフトレーン",
        "迅道",
        "Свифтлейн",
        "Rapidella",
        "Vitesson",
    ),
    (
        "버전",
        "Version",
        "バージョン",
        "版本",
        "Версия",
        "Versione",
        "Version",
    ),
    (
        "처음화면",
        "Home",
        "ホーム",
        "主页",
        "Главная",
        "Home",
        "Accueil",
    ),
    (
        "환경설정",
        "Config",
        "設定",
        "设置",
        "Настройки",
        "Configura",
        "Config",
    ),
    (
        "후원하기",
        "Donate",
        "寄付",
        "捐赠",
        "Донат",
        "Dona",
        "Donner",
    ),
    (
        "실행하기",
        "Run",
        "実行する",
        "运行",
        "Запустить",
        "Avvia",
        "Exécuter",
    ),
    (
        "실행중",
        "Running",
        "実行中",
        "运行中",
        "Выполняется",
        "In esecuzione",
        "En cours",
    ),
    (
        "중지하기",
        "Stop",
        "停止する",
        "停止",
        "Остановить",
        "Ferma",
        "Arrêter",
    ),
    (
        "<B>게임 반응 속도</B>를 손쉽게 향상 시킵니다.",
        "Easily improve <B>game responsiveness</B>.",
        "<B>ゲーム応答速度</B>を簡単に改善します。",
        "轻松提高<B>游戏响应速度</B>。",
        "Легко улучшите <B>отзывчивость игры</B>.",
        "Migliora facilmente la <B>reattività del gioco</B>.",
        "Améliorez facilement la <B>réactivité du jeu</B>.",
    ),
    (
        "최적화된 네트워크로 <B>지연 시간을 최소화</B>합니다.",
        "Minimize <B>latency</B> with an optimized network.",
        "最適化されたネットワークで<B>遅延を最小化</B>します。",
        "通过优化的网络轻松<B>减少延迟</B>。",
        "Минимизируйте <B>задержки</B> с помощью оптимизированной сети.",
        "Con una rete ottimizzata minimizza la <B>latenza</B>.",
        "Minimisez la <B>latence</B> avec un réseau optimisé.",
    ),
    (
        "간편한 설정으로 <B>게임 속도와 안정성</B>을 동시에 개선합니다.",
        "Improve <B>game speed and stability</B> with simple settings.",
        "簡単な設定で<B>ゲーム速度と安定性</B>を同時に改善します。",
        "通过简单设置同时提高<B>游戏速度和稳定性</B>。",
        "Улучшите <B>скорость и стабильность игры</B> с помощью простых настроек.",
        "Con impostazioni semplici migliora la <B>velocità e la stabilità del gioco</B>.",
        "Améliorez la <B>vitesse et la stabilité du jeu</B> avec des réglages simples.",
    ),
    (
        "알수없음",
        "Unknown",
        "不明",
        "未知",
        "Неизвестно",
        "Sconosciuto",
        "Inconnu",
    ),
    (
        "활성중인 네트워크가 없습니다.",
        "There are no active networks.",
        "アクティブなネットワークがありません。",
        "没有活动的网络。",
        "Нет активных сетей.",
        "Non ci sono reti attive.",
        "Il n'y a pas de réseaux actifs.",
    ),
    (
        "네트워크 아답터 정보",
        "Network Adapter",
        "ネットワークアダプタ",
        "网络适配器",
        "Сетевой адаптер",
        "Scheda di rete",
        "Adaptateur réseau",
    ),
    (
        "네이글 알고리즘 해제",
        "Disable Nagle's algorithm",
        "ネイグルアルゴリズムを無効にする",
        "禁用Nagle算法",
        "Отключить алгоритм Нейгла",
        "Disabilita l'algoritmo di Nagle",
        "Désactiver l'algorithme de Nagle",
    ),
    (
        "네트워크 쓰로틀링",
        "Network Throttling Index",
        "ネットワークスロットリング指数",
        "网络限制指数",
        "Индекс ограничения сети",
        "Indice limitazione rete",
        "Indice de limitation réseau",
    ),
]

# The one line that ends with a lone LF instead of CR LF.
LONE_LF_LINE = "it=Dona"


def catalogue_bytes():
    lines = []
    for i, block in enumerate(BLOCKS):
        if i:
            lines.append("")
        assert len(block) == len(LANGUAGES)
        lines.extend(f"{code}={text}" for code, text in zip(LANGUAGES, block))
    text = "".join(line + ("\n" if line == LONE_LF_LINE else "\r\n") for line in lines)
    return b"\xef\xbb\xbf" + text.encode("utf-8")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "translate.txt")
    with open(target, "wb") as f:
        f.write(catalogue_bytes())


if __name__ == "__main__":
    main()
